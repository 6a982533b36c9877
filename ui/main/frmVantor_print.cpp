#include "ui/main/frmVantor.h"

void frmVantor::cmdPrint_Click() {}
void frmVantor::mnuPrintVersionInfo_Click() {}
void frmVantor::mnuPrintCurrentProblemSolution_Click() {}
void frmVantor::mnuPrintAllProblemSolution_Click() {}
void frmVantor::mnuPrintComments_Click() {}
