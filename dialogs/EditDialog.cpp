#include "dialogs/EditDialog.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QLineEdit>

EditDialog::EditDialog(QWidget* parent, const EditTarget& target, const DialogFace& face)
    : VantorDialog(parent, face.name, QLatin1String(face.addCaption), face.width, face.height),
      m_target(target), m_editCaption(face.editCaption)
{
}

bool EditDialog::Form_Load()
{
    CenterForm(this);
    if (!editing())
        return true;
    setWindowTitle(QLatin1String(m_editCaption));
    return loadRecord();
}

bool EditDialog::run(const std::function<void()>& body) const
{
    return RunCommand(m_target.connection, body);
}

QLineEdit* EditDialog::bindField(QLineEdit* box, const QString& field)
{
    m_fields.emplace_back(box, field);
    return box;
}

bool EditDialog::fieldsFilledIn() const
{
    for (const auto& [box, field] : m_fields) {
        if (box->text().isEmpty()) {
            MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
            return false;
        }
    }
    return true;
}

void EditDialog::showFields()
{
    for (const auto& [box, field] : m_fields)
        box->setText(m_target.set->Field(field).toString());
}

void EditDialog::saveFields()
{
    for (const auto& [box, field] : m_fields)
        m_target.set->setField(field, box->text());
}

qint64 CurrentSoftwareId(const RecordSource* titles)
{
    if (!titles->hasCurrentRow())
        throw DbError(QStringLiteral("No software title is selected."));
    return titles->Field(QStringLiteral("SoftwareID")).toLongLong();
}
