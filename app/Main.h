#pragma once

#include <memory>

class frmVantor;

// Starts the program: splash screen, settings file, database, main window. Returns the shown
// main window, or nothing when the database cannot be opened (the user has been told why).
std::unique_ptr<frmVantor> Main();
