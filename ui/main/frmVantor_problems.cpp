#include "ui/main/frmVantor.h"

void frmVantor::cmdFirst_Click() {}
void frmVantor::cmdPrevious_Click() {}
void frmVantor::cmdNext_Click() {}
void frmVantor::cmdLast_Click() {}
void frmVantor::cmdFind_Click() {}
void frmVantor::cmdClear_Click() {}
void frmVantor::cmdAddProblem_Click() {}
void frmVantor::cmdDeleteProblem_Click() {}
