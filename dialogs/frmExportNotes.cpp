#include "dialogs/frmExportNotes.h"

#include "core/notes/NotesFormat.h"
#include "core/notes/NotesStore.h"
#include "dialogs/FileChoice.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>

frmExportNotes::frmExportNotes(QWidget* parent, const NotesSource& source)
    : NotesDialog(parent, "frmExportNotes", QStringLiteral("Export Release Notes"), 6450, 2475),
      m_source(source)
{
    Frame1 = new QGroupBox(QStringLiteral("Export"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    SetGeometryTwips(Frame1, 120, 60, 6210, 735);
    optTitle = new QRadioButton(QStringLiteral("&All versions of the title"), Frame1);
    optTitle->setObjectName(QStringLiteral("optTitle"));
    SetGeometryTwips(optTitle, 120, 330, 2895, 285);
    const bool oneVersion = source.releaseId >= 0;
    optVersion = new QRadioButton(
        oneVersion ? QStringLiteral("The &selected version, %1")
                         .arg(source.release.simplified().replace(QLatin1Char('&'), "&&"))
                   : QStringLiteral("The &selected version"),
        Frame1);
    optVersion->setObjectName(QStringLiteral("optVersion"));
    SetGeometryTwips(optVersion, 3120, 330, 2970, 285);
    optVersion->setEnabled(oneVersion);
    optTitle->setChecked(true);

    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    for (const NotesFormatInfo& info : NotesFormats())
        cboFormat->addItem(QLatin1String(info.caption));
    SetGeometryTwips(cboFormat, 1080, 900, 5250, 315);
    labelFor(cboFormat, "Label1", QStringLiteral("F&ormat"), 180, 900, 780);
    makeFileRow("Label2", 1320, FileUse::Save);
    makeOkCancel(3840, 1860, {optTitle, optVersion, cboFormat, txtFile, cmdBrowse});
    connect(cboFormat, &QComboBox::currentIndexChanged, this, &frmExportNotes::cboFormat_Click);
}

void frmExportNotes::Form_Load()
{
    CenterForm(this);
    txtFile->setText(QDir::toNativeSeparators(
        QDir(browseFolder())
            .absoluteFilePath(QLatin1String(NotesFormats().at(size_t(m_format)).defaultFile))));
}

QStringList frmExportNotes::fileFilters() const
{
    return {QLatin1String(NotesFormats().at(size_t(m_format)).filter),
            QStringLiteral("All files (*)")};
}

void frmExportNotes::cboFormat_Click()
{
    const int chosen = cboFormat->currentIndex();
    if (chosen < 0 || chosen == m_format)
        return;
    // A file named as the form before it usually is gets the name the new one usually has.
    const QString before = QLatin1String(NotesFormats().at(size_t(m_format)).defaultFile);
    const QString after = QLatin1String(NotesFormats().at(size_t(chosen)).defaultFile);
    m_format = chosen;
    const QString typed = txtFile->text();
    const QFileInfo info(typed);
    if (info.fileName() == before)
        txtFile->setText(typed.left(typed.size() - before.size()) + after);
    else if (info.suffix() == QFileInfo(before).suffix() && !info.completeBaseName().isEmpty())
        txtFile->setText(typed.left(typed.size() - info.suffix().size()) +
                         QFileInfo(after).suffix());
}

bool frmExportNotes::mayWrite(const QString& path)
{
    if (path.isEmpty()) {
        MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
        return false;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        MsgInform(QStringLiteral("%1 is a folder; give the name of a file.").arg(path));
        return false;
    }
    return MayReplace(path);
}

void frmExportNotes::cmdOK_Click()
{
    const QString path = chosenPath();
    if (!mayWrite(path))
        return;
    ReleaseNotes notes;
    QString gone;
    const bool read = RunCommand(m_source.connection, [&] {
        try {
            notes = optVersion->isChecked()
                        ? ReadVersionNotes(*m_source.connection, m_source.softwareId,
                                           m_source.releaseId)
                        : ReadTitleNotes(*m_source.connection, m_source.softwareId);
        } catch (const NotesError& e) {
            gone = e.text();
        }
    });
    if (!read)
        return;
    if (!gone.isEmpty()) {
        MsgInform(gone);
        return;
    }
    // Written beside the file and put in its place whole: a failure leaves the old one.
    const QByteArray bytes = RenderNotes(notes, NotesFormats().at(size_t(m_format)).format);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        MsgBox(
            QStringLiteral("Vantor cannot write the file\n%1\n\n%2").arg(path, out.errorString()),
            MsgIcon::Critical);
        return;
    }
    rememberFolder(path);
    unload(true);
}
