#pragma once

// The program's resources: string table, menus, accelerator tables, toolbars
// and icons, registered by the application at start-up and read by the frame,
// the bars and the dialogs by numeric id.

#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QSize>
#include <QString>
#include <map>
#include <vector>

namespace platform {

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    QString caption; // "&New\tCtrl+N": text after the tab shows as shortcut text
    unsigned id = 0;
    bool grayed = false;
    std::vector<MenuItem> items; // of a popup

    static MenuItem command(const QString& caption, unsigned id, bool grayed = false);
    static MenuItem separator();
    static MenuItem popup(const QString& caption, std::vector<MenuItem> items);
};

struct Accelerator {
    QKeySequence keys;
    unsigned id = 0;
};

struct ToolBarResource {
    QSize buttonSize{16, 15};
    std::vector<unsigned> items; // command ids in order; 0 is a separator
    QImage images;               // one strip, one image per button, same order
};

class ResourceTable {
public:
    void setString(unsigned id, const QString& text) { m_strings[id] = text; }
    bool hasString(unsigned id) const { return m_strings.count(id) != 0; }
    QString string(unsigned id) const;

    void setMenu(unsigned id, std::vector<MenuItem> menu) { m_menus[id] = std::move(menu); }
    const std::vector<MenuItem>* menu(unsigned id) const;

    void setAccelerators(unsigned id, std::vector<Accelerator> table) { m_accelerators[id] = std::move(table); }
    const std::vector<Accelerator>* accelerators(unsigned id) const;

    void setToolBar(unsigned id, ToolBarResource toolbar) { m_toolbars[id] = std::move(toolbar); }
    const ToolBarResource* toolBar(unsigned id) const;

    void setIcon(unsigned id, const QIcon& icon) { m_icons[id] = icon; }
    QIcon icon(unsigned id) const;

    void removeMenu(unsigned id) { m_menus.erase(id); }
    void removeToolBar(unsigned id) { m_toolbars.erase(id); }
    void removeString(unsigned id) { m_strings.erase(id); }
    void clear();

private:
    std::map<unsigned, QString> m_strings;
    std::map<unsigned, std::vector<MenuItem>> m_menus;
    std::map<unsigned, std::vector<Accelerator>> m_accelerators;
    std::map<unsigned, ToolBarResource> m_toolbars;
    std::map<unsigned, QIcon> m_icons;
};

// The process's resources.
ResourceTable& resources();

// The status-bar prompt of a command: the part of its string before the line
// feed. Empty when the command has no string.
QString commandPrompt(unsigned id);
// The tool tip of a command: the part after the line feed (may be empty).
QString commandTip(unsigned id);

} // namespace platform

QString AfxLoadString(unsigned id);
