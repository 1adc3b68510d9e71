#pragma once

// Routes ShowMessageBox to the system's modal MessageBoxW, owned by the active window.
void InstallSystemMessageBox();
