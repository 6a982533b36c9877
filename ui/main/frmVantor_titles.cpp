#include "ui/main/frmVantor.h"

void frmVantor::cmdAddSoftware_Click() {}
void frmVantor::cmdEditSoftware_Click() {}
void frmVantor::cmdDeleteSoftware_Click() {}
void frmVantor::cmdAddVersion_Click() {}
void frmVantor::cmdEditVersion_Click() {}
void frmVantor::cmdDeleteVersion_Click() {}
