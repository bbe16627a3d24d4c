// What the status bar says about the loaded model, opened through File Open
// in the real window: its counts and size in a pane of their own, and a file without
// vertices named as such, both staying when a prompt has come and gone; and
// File > Properties, greyed without a model, showing what the model measures.
#include "shellfixture.h"

#include "platform/commandids.h"
#include "tests/support/plytexts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TEST_F(ShellTest, StatusBarShowsTheModelsCountsAndNamesAnEmptyMesh)
{
    ASSERT_TRUE(start());
    const QByteArray header = "ply\nformat ascii 1.0\nelement vertex %1\nproperty float x\nproperty float y\n"
                              "property float z\nend_header\n";
    const struct {
        const char* name;
        QByteArray content;
        QString facts;
        QString message;
    } rows[] = {
        {"cube.ply", kCubePly, "8 vertices, 6 faces, 2 x 2 x 2", "Ready"},
        {"box.ply", kBoxPly, "8 vertices, 6 faces, 10 x 20 x 40", "Ready"},
        {"triangle.ply", trianglePly(), "3 vertices, 1 face, 1 x 1 x 0", "Ready"},
        {"cloud.ply", QString(header).arg(4).toLatin1() + "0 0 0\n1 0 0\n0 1 0\n0 0 1\n", "4 points, 1 x 1 x 1",
         "Ready"},
        {"far.ply", QString(header).arg(3).toLatin1() + "1000 -5 0.001\n1120 75 0.001\n1060 0 35.201\n",
         "3 points, 120 x 80 x 35.2", "Ready"},
        {"empty.ply", QString(header).arg(0).toLatin1(), "", "empty mesh: no vertices"},
    };
    QLabel* pane = frame->GetStatusBar().GetPane(1);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        nextPath = file(QString::fromLatin1(row.name), row.content);
        ASSERT_TRUE(frame->SendCommand(ID_FILE_OPEN));
        ASSERT_TRUE(loadEnded());
        EXPECT_EQ(frame->windowTitle(), QStringLiteral("%1 - Brenvik").arg(QString::fromLatin1(row.name)));
        EXPECT_EQ(pane->text(), row.facts);
        EXPECT_GE(pane->width(), pane->fontMetrics().horizontalAdvance(row.facts));
        EXPECT_EQ(messagePane(), row.message);

        // A prompt comes and goes; so do idle passes.
        QToolButton* open = toolButton(ID_FILE_OPEN);
        QTest::mouseMove(open, open->rect().center());
        EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "Open an existing document"; }));
        QTest::mouseMove(frame->centralWidget(), frame->centralWidget()->rect().center());
        EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == row.message; })) << messagePane().toStdString();
        frame->UpdateIndicators();
        EXPECT_EQ(messagePane(), row.message);
        EXPECT_EQ(pane->text(), row.facts);
    }
}

TEST_F(ShellTest, PropertiesShowsTheModelsMeasuresAndNeedsAModel)
{
    ASSERT_TRUE(start());
    QAction* item = frame->GetCommandAction(ID_FILE_PROPERTIES);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(frame->IsCommandEnabled(ID_FILE_PROPERTIES)) << "no model yet";
    const QString cube = "size 2 2 2\nunit none\narea 24\nvolume 8\nparts 1\nboundary-edges 0\n"
                         "non-manifold-edges 0\ndegenerate-faces 0";
    const struct {
        QString path;
        QString lines; // empty: the item is greyed
    } rows[] = {
        {QStringLiteral(BRENVIK_SAMPLES_DIR "/cube.ply"), cube},
        {file("open.ply", kOpenBoxPly), "size 2 2 2\nunit none\narea 20\nvolume open\nparts 1\n"
                                        "boundary-edges 4\nnon-manifold-edges 0\ndegenerate-faces 0"},
        {file("empty.ply", "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\n"
                           "property float z\nend_header\n"),
         ""},
        {QStringLiteral(BRENVIK_SAMPLES_DIR "/cube.ply"), cube},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        nextPath = row.path;
        ASSERT_TRUE(frame->SendCommand(ID_FILE_OPEN));
        ASSERT_TRUE(loadEnded());
        EXPECT_EQ(item->isEnabled(), !row.lines.isEmpty());
        EXPECT_EQ(frame->IsCommandEnabled(ID_FILE_PROPERTIES), !row.lines.isEmpty());
        if (row.lines.isEmpty())
            continue;
        QString title, text;
        auto answered = guitest::onNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            auto* box = modal->findChild<QPlainTextEdit*>();
            ASSERT_TRUE(box != nullptr && box->isReadOnly());
            text = box->toPlainText();
            modal->findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)->click();
        });
        EXPECT_TRUE(frame->SendCommand(ID_FILE_PROPERTIES));
        EXPECT_TRUE(*answered);
        EXPECT_EQ(title, "Properties");
        EXPECT_EQ(text, row.lines);
    }
}
