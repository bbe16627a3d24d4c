// Measure mode in the real window: chosen from the View menu, the toolbar or
// the M key as the fourth mouse mode; clicks on the model give the status
// bar's point and distance, Ctrl+C copies them and Esc clears them.
#include "shellfixture.h"

#include "platform/commandids.h"
#include "viewer/tavroview.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cmath>
#include <functional>

namespace {

// A 10 x 10 square in the plane z = 0 from the origin, facing +z.
const QByteArray kSquarePly = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                              "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                              "end_header\n0 0 0\n10 0 0\n10 10 0\n0 10 0\n4 0 1 2 3\n";

// The numbers after the word that starts text: "point 1 2 3" gives 1, 2, 3;
// "distance 5 (3, 4, 0)" gives 5, 3, 4, 0. Empty when text starts otherwise.
std::vector<double> numbersAfter(const QString& word, const QString& text)
{
    std::vector<double> numbers;
    if (!text.startsWith(word + " "))
        return numbers;
    static const QRegularExpression number(QStringLiteral("-?[0-9.]+(e[-+][0-9]+)?"));
    for (const QRegularExpressionMatch& m : number.globalMatch(text.mid(word.size())))
        numbers.push_back(m.captured(0).toDouble());
    return numbers;
}

class MeasureShellTest : public ShellTest {
protected:
    CTavroView* view() const { return dynamic_cast<CTavroView*>(frame->GetActiveView()); }
    void expectOnlyMeasureMode(bool measure) const
    {
        CTavroView* v = view();
        EXPECT_EQ(v->m_measureMode, measure);
        EXPECT_EQ(v->m_rotateMode, !measure);
        EXPECT_FALSE(v->m_translateMode);
        EXPECT_FALSE(v->m_noneMode);
        frame->UpdateCommandUI();
        EXPECT_EQ(frame->GetCommandAction(ID_MEASURE)->isChecked(), measure);
        EXPECT_EQ(frame->GetCommandAction(ID_ROTATE)->isChecked(), !measure);
    }
    void click(const QPoint& at) const { QTest::mouseClick(view()->m_pDC, Qt::LeftButton, Qt::NoModifier, at); }
};

TEST_F(MeasureShellTest, MeasureIsAFourthMouseModeFromTheMenuTheToolbarAndM)
{
    ASSERT_TRUE(start());
    const struct {
        const char* how;
        std::function<void()> choose;
    } rows[] = {
        {"the M key", [this] { QTest::keyClick(frame, Qt::Key_M); }},
        {"the toolbar button", [this] { toolButton(ID_MEASURE)->click(); }},
        {"the View menu",
         [this] {
             QMenu* menu = openMenu("&View");
             ASSERT_NE(menu, nullptr);
             QAction* item = frame->GetCommandAction(ID_MEASURE);
             EXPECT_EQ(item->text().section('\t', 0, 0), "Measure");
             QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
             ASSERT_TRUE(guitest::waitFor([menu] { return !menu->isVisible(); }));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        expectOnlyMeasureMode(false);
        row.choose();
        expectOnlyMeasureMode(true);
        toolButton(ID_ROTATE)->click();
    }
}

TEST_F(MeasureShellTest, ClicksShowThePointAndTheDistanceCtrlCCopiesThemAndEscClearsThem)
{
    ASSERT_TRUE(start({file("square.ply", kSquarePly)}));
    QTest::keyClick(frame, Qt::Key_1, Qt::ControlModifier); // the front view, facing the square
    QTest::keyClick(frame, Qt::Key_M);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    QTest::keyClick(frame, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "before") << "nothing picked, nothing copied";

    const QPoint middle(view()->m_pDC->width() / 2, view()->m_pDC->height() / 2);
    click(middle);
    const std::vector<double> first = numbersAfter("point", messagePane());
    ASSERT_EQ(first.size(), 3u) << messagePane().toStdString();
    EXPECT_NEAR(first[0], 5.0, 0.2);
    EXPECT_NEAR(first[1], 5.0, 0.2);
    EXPECT_EQ(first[2], 0.0);

    // 30 pixels right and 20 up.
    click(middle + QPoint(30, -20));
    const std::vector<double> distance = numbersAfter("distance", messagePane());
    ASSERT_EQ(distance.size(), 4u) << messagePane().toStdString();
    EXPECT_GT(distance[1], 0.0);
    EXPECT_GT(distance[2], 0.0);
    EXPECT_EQ(distance[3], 0.0);
    EXPECT_NEAR(distance[1] / distance[2], 1.5, 0.03);
    EXPECT_NEAR(distance[0], std::hypot(distance[1], distance[2]), 1e-5 * distance[0]);

    QTest::keyClick(frame, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = clipboard->text().split('\n');
    ASSERT_EQ(lines.size(), 3) << clipboard->text().toStdString();
    const std::vector<double> a = numbersAfter("point", lines[0]);
    const std::vector<double> b = numbersAfter("point", lines[1]);
    const std::vector<double> d = numbersAfter("distance", lines[2]);
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    ASSERT_EQ(d.size(), 1u) << "the copied distance has no differences";
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(a[i], first[i], 1e-5 * std::max(1.0, std::fabs(first[i])));
    EXPECT_NEAR(b[0] - a[0], distance[1], 1e-5);
    EXPECT_NEAR(b[1] - a[1], distance[2], 1e-5);
    EXPECT_NEAR(d[0], std::hypot(b[0] - a[0], b[1] - a[1]), 1e-9);

    // A third click starts again.
    click(middle);
    EXPECT_EQ(numbersAfter("point", messagePane()).size(), 3u) << messagePane().toStdString();
    EXPECT_EQ(view()->measurement().count(), 1);

    QTest::keyClick(frame, Qt::Key_Escape);
    EXPECT_EQ(view()->measurement().count(), 0);
    EXPECT_EQ(messagePane(), "Ready");
    clipboard->setText(QStringLiteral("after"));
    QTest::keyClick(frame, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "after");
}

} // namespace
