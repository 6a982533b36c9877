#include "ui/main/frmVantor.h"

void frmVantor::cmdPreferences_Click() {}
