#pragma once

#include "core/notes/NotesStore.h"
#include "dialogs/NotesDialog.h"

class Connection;
class QComboBox;

// Brings a changelog file into a title, an existing one or a new one named here.
class frmImportChangelog : public NotesDialog {
    Q_OBJECT
public:
    // titles are offered in the title box, shownTitle first in it.
    frmImportChangelog(QWidget* parent, Connection* connection, const QStringList& titles,
                       const QString& shownTitle);

    void Form_Load();
    // What the import did, once OK has closed the dialog.
    const ImportReport& report() const { return m_report; }

public slots:
    void cmdOK_Click() override;

protected:
    QStringList fileFilters() const override;

private:
    QComboBox* cboTitle;
    Connection* m_connection;
    ImportReport m_report;
};
