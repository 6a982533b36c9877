#include "widgets/DbCommand.h"

#include "core/data/Connection.h"
#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/data/WorkProgress.h"
#include "widgets/MsgBox.h"

void ShowDbError(const QString& text)
{
    MsgBox(
        QStringLiteral("The database could not carry out the command; nothing was changed.\n\n%1")
            .arg(text),
        MsgIcon::Critical);
}

bool RunCommand(Connection* connection, const std::function<void()>& body)
{
    if (!connection) {
        try {
            body();
            return true;
        } catch (const DbError& e) {
            ShowDbError(e.text());
            return false;
        }
    }
    const bool outermost = !connection->inTransaction();
    try {
        Transaction t(*connection);
        body();
        t.commit();
        return true;
    } catch (const WorkCancelled& e) {
        // The user stopped it and knows: rolled back without a message.
        if (!outermost)
            connection->noteFailure(e.text());
        return false;
    } catch (const DbError& e) {
        if (outermost)
            ShowDbError(e.text());
        else
            connection->noteFailure(e.text());
        return false;
    }
}

void FindRow(RecordSource* set, const QString& criterion, const QString& missingText)
{
    if (!set->isBOF())
        set->MoveFirst();
    if (!set->Find(criterion))
        throw DbError(missingText);
}
