#include "platform/cmdtarget.h"

void CCmdUI::Enable(bool on)
{
    m_enabled = on;
}

void CCmdUI::SetCheck(int check)
{
    m_checkSet = true;
    m_check = check;
}

void CCmdUI::SetText(const QString& text)
{
    m_textSet = true;
    m_text = text;
}

CCmdTarget::~CCmdTarget() = default;

bool CCmdTarget::OnCommand(unsigned)
{
    return false;
}

bool CCmdTarget::OnUpdateCommandUI(unsigned, CCmdUI&)
{
    return false;
}
