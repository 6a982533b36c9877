#include "ui/main/frmVantor.h"

#include "app/frmPreferences.h"

void frmVantor::cmdPreferences_Click()
{
    frmPreferences dlg(this);
    dlg.Form_Load();
    dlg.exec();
}
