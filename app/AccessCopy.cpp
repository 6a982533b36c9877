#include "app/AccessCopy.h"

#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/engine/DbError.h"
#include "core/jet/JetFile.h"
#include "core/settings/Settings.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace {
// "vantor.mdb" becomes "vantor.db", or "vantor-2.db" and on when that is taken.
QString newFileBeside(const QString& accessFile)
{
    const QFileInfo old(accessFile);
    const QDir folder = old.absoluteDir();
    const auto taken = [&](const QString& name) {
        const QFileInfo f(folder.filePath(name));
        return f.exists() || f.isSymLink();
    };
    QString name = old.completeBaseName() + QStringLiteral(".db");
    for (int n = 2; taken(name); ++n)
        name = QStringLiteral("%1-%2.db").arg(old.completeBaseName()).arg(n);
    return folder.filePath(name);
}

bool askToCopy(const QString& accessFile, const QString& target)
{
    const QString from = HasDatabaseOverride()
                             ? QStringLiteral("and work in that for this run (the settings file "
                                              "stays as it is)")
                             : QStringLiteral("and work in that from now on");
    const QString text =
        QStringLiteral("The database\n%1\nis an Access file, kept by the earlier Vantor. This "
                       "Vantor keeps its records in a database file of its own.\n\nCopy the "
                       "records into a new file beside it,\n%2\n%3? The Access file stays as "
                       "it is.")
            .arg(accessFile, target, from);
    SetBusyCursor(false);
    const MsgResult answer = MsgBox(text, MsgIcon::Question, MsgButtons::YesNo, MsgResult::Yes);
    SetBusyCursor(true);
    return answer == MsgResult::Yes;
}

// The new file is the database from here on; false when the settings file could not say so.
bool useFromNowOn(const QString& target)
{
    const bool kept = HasDatabaseOverride() || WriteIniSetting(QStringLiteral("Preferences"),
                                                               QStringLiteral("Database"), target);
    if (HasDatabaseOverride() || !kept)
        SetDatabaseOverride(target);
    DatabasePath = target;
    return kept;
}
} // namespace

AccessCopy OfferAccessCopy(QLabel* caption)
{
    const QString accessFile = ConfiguredDatabasePath();
    // One that cannot be copied (a password, a version unknown) is refused as it is, saying why.
    if (IsServerDatabase(accessFile) || !IsCopyableJetFile(JetHeaderOf(accessFile)))
        return AccessCopy::NotAccess;
    const QString target = newFileBeside(accessFile);
    if (!askToCopy(accessFile, target))
        return AccessCopy::Declined;
    caption->setText(QStringLiteral("Copying Records..."));
    PaintNow(caption->window());
    QString summary;
    try {
        summary = CopyDatabase(accessFile, target);
    } catch (const DbError& e) {
        SetBusyCursor(false);
        MsgBox(QStringLiteral("Vantor cannot copy the records of the Access file\n%1\n\n%2\n\n"
                              "The Access file is as it was, and no new file was made.")
                   .arg(accessFile, e.text()),
               MsgIcon::Critical);
        return AccessCopy::Failed;
    }
    const bool kept = useFromNowOn(target);
    SetBusyCursor(false);
    MsgBox(QStringLiteral("Vantor copied the records of the Access file into\n%1\nand works in "
                          "it from now on.\n\n%2%3")
               .arg(target, summary,
                    kept ? QString()
                         : QStringLiteral("\n\nVantor cannot write its settings file %1: choose "
                                          "the new file in Options, or the next start asks "
                                          "again.")
                               .arg(IniFilePath)),
           MsgIcon::Information);
    SetBusyCursor(true);
    caption->setText(QStringLiteral("Opening Database..."));
    PaintNow(caption->window());
    return AccessCopy::Copied;
}
