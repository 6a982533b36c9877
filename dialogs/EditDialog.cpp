#include "dialogs/EditDialog.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

EditDialog::EditDialog(QWidget* parent, const EditTarget& target, const char* name,
                       const QString& caption, int clientWidth, int clientHeight)
    : VantorDialog(parent, name, caption, clientWidth, clientHeight), m_target(target)
{
}

bool EditDialog::run(const std::function<void()>& body) const
{
    return RunCommand(m_target.connection, body);
}

bool EditDialog::filledIn(std::initializer_list<QString> texts)
{
    for (const QString& t : texts) {
        if (t.isEmpty()) {
            MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
            return false;
        }
    }
    return true;
}

qint64 CurrentSoftwareId(const RecordSource* titles)
{
    if (!titles->hasCurrentRow())
        throw DbError(QStringLiteral("No software title is selected."));
    return titles->Field(QStringLiteral("SoftwareID")).toLongLong();
}
