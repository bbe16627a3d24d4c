#pragma once

#include <QString>

// Command routing by numeric command id.
//
// The frame routes every command (menu item, toolbar button, accelerator) to
// the active view, then its document, then the frame, then the application;
// the first target whose OnCommand returns true has handled it.
//
// Before a menu opens, after every command and on idle the frame asks the same
// chain for the state of each command: the first target whose
// OnUpdateCommandUI returns true owns the id and may set its check mark or
// disable it. A command that no target owns is disabled: its menu item is
// greyed, its toolbar button disabled and its accelerator does nothing.
// A target must therefore return true from OnUpdateCommandUI for every id its
// OnCommand handles, even when it sets no check mark.

class CCmdUI {
public:
    CCmdUI() = default;
    explicit CCmdUI(unsigned id) : m_nID(id) { }

    unsigned m_nID = 0;

    void Enable(bool on = true);
    // 0 unchecked, 1 checked (a check mark in the menu, a pressed toolbar
    // button), 2 indeterminate (shown as checked).
    void SetCheck(int check = 1);
    // The text of a status-bar pane (instead of its string resource) while
    // the pane is enabled.
    void SetText(const QString& text);

    // State the framework reads after the update handler ran.
    bool IsEnabled() const { return m_enabled; }
    bool IsCheckSet() const { return m_checkSet; }
    int GetCheck() const { return m_check; }
    bool IsTextSet() const { return m_textSet; }
    const QString& GetText() const { return m_text; }

private:
    bool m_enabled = true;
    bool m_checkSet = false;
    int m_check = 0;
    bool m_textSet = false;
    QString m_text;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget();

    // Runs the command; true when this target handles id (and ran it).
    virtual bool OnCommand(unsigned id);

    // True when this target handles id; it may call Enable/SetCheck on ui.
    virtual bool OnUpdateCommandUI(unsigned id, CCmdUI& ui);
};
