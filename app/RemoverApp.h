// The application: runs the main dialog once, then ends the process.
#pragma once

#include "platform/WinApp.h"

class CRemoverApp : public CWinApp
{
public:
    CRemoverApp();
    ~CRemoverApp() override;

    BOOL InitInstance() override;
    BOOL OnCommand(UINT nID) override;
};
