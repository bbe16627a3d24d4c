#include "platform/resources.h"

namespace platform {

MenuItem MenuItem::command(const QString& caption, unsigned id, bool grayed)
{
    MenuItem item;
    item.kind = Kind::Command;
    item.caption = caption;
    item.id = id;
    item.grayed = grayed;
    return item;
}

MenuItem MenuItem::separator()
{
    MenuItem item;
    item.kind = Kind::Separator;
    return item;
}

MenuItem MenuItem::popup(const QString& caption, std::vector<MenuItem> items)
{
    MenuItem item;
    item.kind = Kind::Popup;
    item.caption = caption;
    item.items = std::move(items);
    return item;
}

QString ResourceTable::string(unsigned id) const
{
    auto it = m_strings.find(id);
    return it == m_strings.end() ? QString() : it->second;
}

const std::vector<MenuItem>* ResourceTable::menu(unsigned id) const
{
    auto it = m_menus.find(id);
    return it == m_menus.end() ? nullptr : &it->second;
}

const std::vector<Accelerator>* ResourceTable::accelerators(unsigned id) const
{
    auto it = m_accelerators.find(id);
    return it == m_accelerators.end() ? nullptr : &it->second;
}

const ToolBarResource* ResourceTable::toolBar(unsigned id) const
{
    auto it = m_toolbars.find(id);
    return it == m_toolbars.end() ? nullptr : &it->second;
}

QIcon ResourceTable::icon(unsigned id) const
{
    auto it = m_icons.find(id);
    return it == m_icons.end() ? QIcon() : it->second;
}

void ResourceTable::clear()
{
    m_strings.clear();
    m_menus.clear();
    m_accelerators.clear();
    m_toolbars.clear();
    m_icons.clear();
}

ResourceTable& resources()
{
    static ResourceTable table;
    return table;
}

QString commandPrompt(unsigned id)
{
    const QString text = resources().string(id);
    const int newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? text : text.left(newline);
}

QString commandTip(unsigned id)
{
    const QString text = resources().string(id);
    const int newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : text.mid(newline + 1);
}

} // namespace platform

QString AfxLoadString(unsigned id)
{
    return platform::resources().string(id);
}
