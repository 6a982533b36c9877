#include "ui/main/frmVantor.h"

void frmVantor::cmdAddChange_Click() {}
void frmVantor::cmdEditChange_Click() {}
void frmVantor::cmdDeleteChange_Click() {}
void frmVantor::cmdAddFile_Click() {}
void frmVantor::cmdEditFile_Click() {}
void frmVantor::cmdDeleteFile_Click() {}
