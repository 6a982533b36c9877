#include "mainwindow/frmVantor.h"

#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "dialogs/frmPreferences.h"

#include <QFileInfo>

void frmVantor::cmdPreferences_Click()
{
    // Browse starts beside the database the program works on: another one is most likely
    // kept there.
    const Connection* open = connection();
    frmPreferences dlg(this,
                       QFileInfo(open ? open->path() : ConfiguredDatabasePath()).absolutePath());
    dlg.Form_Load();
    dlg.exec();
}
