// The About box: the tool's icon, name, version and copyright notice.
#pragma once

#include "platform/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
