#include "dialogs/DetailDialog.h"

#include "core/data/RecordSource.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

DetailDialog::DetailDialog(QWidget* parent, const EditTarget& target, const char* name,
                           const QString& caption, int clientWidth, int clientHeight,
                           const Kind& kind, const QString& releaseId, const QString& key,
                           const ShowSave& show)
    : EditDialog(parent, target, name, caption, clientWidth, clientHeight), m_kind(kind),
      m_releaseId(releaseId), m_key(key), m_show(show)
{
}

bool DetailDialog::loadRow(const std::function<void()>& show)
{
    return run([&] {
        FindRow(set(), m_kind.criterion(m_key, true), m_kind.missingText);
        show();
    });
}

bool DetailDialog::saveRow(const std::function<void()>& setFields)
{
    RecordSource* rows = set();
    if (!editing() && m_releaseId.isEmpty()) {
        MsgInform(kNoVersionSelected);
        return false;
    }
    bool shown = false;
    const bool ok = run([&] {
        if (!editing()) {
            rows->AddNew();
            rows->setField(QStringLiteral("ReleaseID"), m_releaseId.toLongLong());
        } else if (!rows->hasCurrentRow() || rows->Field(m_kind.keyField).toString() != m_key) {
            FindRow(rows, m_kind.criterion(m_key, true), m_kind.missingText);
        }
        setFields();
        rows->Update();
        rows->Requery();
        m_show.saved();
        shown = true;
    });
    if (!ok) {
        // Nothing of this attempt may be saved later by a move of the set.
        rows->CancelUpdate();
        // A save that failed at the very end leaves lines in the list that are not stored.
        if (shown)
            run(m_show.stored);
    }
    return ok;
}
