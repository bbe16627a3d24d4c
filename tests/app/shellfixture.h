#pragma once

// The real application started inside the test process, with its settings in
// a temporary folder and the dialog seams recording what they were asked.

#include "tests/support/guitestutil.h"

#include "app/mainfrm.h"
#include "app/tavro.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

// A PLY file holding one triangle.
QByteArray trianglePly();

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the application with these command-line arguments; true when
    // the main window is up and exposed and a file it names has loaded.
    bool start(const QStringList& args = {});
    // Waits until no load runs in the view (files load on a worker thread).
    bool loadEnded() const;

    QMenu* topMenu(const QString& title) const;
    // Opens a menu of the menu bar with the mouse, as a user would.
    QMenu* openMenu(const QString& title) const;
    QToolButton* toolButton(unsigned id) const;
    QString messagePane() const { return frame->GetStatusBar().GetPaneText(0); }
    QString file(const QString& name, const QByteArray& content);
    static QByteArray contentOf(const QString& path);

    QTemporaryDir settingsDir;
    QTemporaryDir files;
    std::unique_ptr<CTavroApp> app;
    CMainFrame* frame = nullptr;
    QStringList messages;
    int fileDialogs = 0;
    QString nextPath;
    bool useRealDialogs = false;
};
