#include "mainwindow/frmVantor.h"

#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "dialogs/frmPreferences.h"

#include <QFileInfo>

void frmVantor::cmdPreferences_Click()
{
    // Browse starts beside the database file the program works on: another one is most likely
    // kept there. A server database lives in no folder here.
    const Connection* open = connection();
    const QString path = open ? open->path() : ConfiguredDatabasePath();
    frmPreferences dlg(this, IsServerDatabase(path) ? QString() : QFileInfo(path).absolutePath());
    dlg.Form_Load();
    dlg.exec();
}
