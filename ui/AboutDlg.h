// AboutDlg.h: the About box: name, version, credits and the home-page link.
#pragma once

#include "controls/HyperLink.h"
#include "framework/Framework.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    CHyperLink m_link;  // the home-page address; opens the redirect address

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
