#include "mainwindow/frmVantor.h"

#include "dialogs/frmPreferences.h"

void frmVantor::cmdPreferences_Click()
{
    frmPreferences dlg(this);
    dlg.Form_Load();
    dlg.exec();
}
