// CleanupApp.h: the application object. Its start-up runs the main dialog;
// when the dialog ends, so does the program.
#pragma once

#include "framework/Framework.h"

class CCleanupApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern CCleanupApp theApp;
