#include "platform/framemenus.h"

#include "platform/commandids.h"
#include "platform/framewnd.h"
#include "platform/resources.h"
#include "platform/winapp.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <functional>

CFrameMenus::CFrameMenus(CFrameWnd& frame) : m_frame(frame)
{
}

void CFrameMenus::Build(unsigned resourceId)
{
    BuildMenu(resourceId);
    BuildAccelerators(resourceId);
}

void CFrameMenus::BuildMenu(unsigned resourceId)
{
    const std::vector<platform::MenuItem>* items = platform::resources().menu(resourceId);
    if (!items)
        return;
    std::function<void(QMenu*, const std::vector<platform::MenuItem>&)> fill;
    fill = [&](QMenu* menu, const std::vector<platform::MenuItem>& entries) {
        for (const platform::MenuItem& item : entries) {
            switch (item.kind) {
            case platform::MenuItem::Kind::Separator:
                menu->addSeparator();
                break;
            case platform::MenuItem::Kind::Popup: {
                QMenu* sub = menu->addMenu(item.caption);
                QObject::connect(sub, &QMenu::aboutToShow, &m_frame, [this] { m_frame.UpdateCommandUI(); });
                fill(sub, item.items);
                break;
            }
            case platform::MenuItem::Kind::Command:
                if (item.id == ID_FILE_MRU_FILE1) {
                    // The recent-file block: the placeholder while the list is
                    // empty, else one item per file.
                    m_recentMenu = menu;
                    m_recentPlaceholder = menu->addAction(item.caption);
                    m_recentPlaceholder->setEnabled(false);
                    for (unsigned i = 0; i < 4; ++i) {
                        QAction* entry = m_frame.GetCommandAction(ID_FILE_MRU_FILE1 + i);
                        entry->setVisible(false);
                        menu->addAction(entry);
                        m_recentActions.push_back(entry);
                    }
                    QObject::connect(menu, &QMenu::aboutToShow, &m_frame, [this] { UpdateRecentFileMenu(); });
                } else {
                    QAction* action = m_frame.GetCommandAction(item.id);
                    action->setText(item.caption);
                    if (item.grayed)
                        action->setEnabled(false);
                    menu->addAction(action);
                }
                break;
            }
        }
    };
    for (const platform::MenuItem& top : *items) {
        if (top.kind == platform::MenuItem::Kind::Popup) {
            QMenu* menu = m_frame.menuBar()->addMenu(top.caption);
            QObject::connect(menu, &QMenu::aboutToShow, &m_frame, [this] { m_frame.UpdateCommandUI(); });
            QObject::connect(menu, &QMenu::aboutToHide, &m_frame, [this] { m_frame.OnMenuClosed(); });
            fill(menu, top.items);
        } else if (top.kind == platform::MenuItem::Kind::Command) {
            QAction* action = m_frame.GetCommandAction(top.id);
            action->setText(top.caption);
            m_frame.menuBar()->addAction(action);
        }
    }
}

void CFrameMenus::BuildAccelerators(unsigned resourceId)
{
    const std::vector<platform::Accelerator>* table = platform::resources().accelerators(resourceId);
    if (!table)
        return;
    for (const platform::Accelerator& accel : *table) {
        auto* shortcut = new QShortcut(accel.keys, &m_frame);
        shortcut->setContext(Qt::WindowShortcut);
        const unsigned id = accel.id;
        QObject::connect(shortcut, &QShortcut::activated, &m_frame, [this, id] { m_frame.SendCommand(id); });
        QObject::connect(shortcut, &QShortcut::activatedAmbiguously, &m_frame, [this, id] { m_frame.SendCommand(id); });
        m_shortcuts.push_back(shortcut);
    }
}

void CFrameMenus::UpdateRecentFileMenu()
{
    if (!m_recentPlaceholder)
        return;
    const CWinApp* app = AfxGetApp();
    const CRecentFileList* list = app ? app->GetRecentFileList() : nullptr;
    const int count = list ? list->GetCount() : 0;
    m_recentPlaceholder->setVisible(count == 0);
    for (int i = 0; i < static_cast<int>(m_recentActions.size()); ++i) {
        QAction* entry = m_recentActions[static_cast<size_t>(i)];
        const bool used = i < count;
        entry->setVisible(used);
        entry->setText(used ? list->GetDisplayName(i) : QString());
        entry->setStatusTip(used ? QStringLiteral("Open this document") : QString());
    }
}
