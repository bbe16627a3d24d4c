// The open file on its own, with no view to show its models: how an open or
// a reload ends, what its listeners hear, and which file is open after it.
#include "loadoutcomes.h"

#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "viewer/filewatch.h"
#include "viewer/openedfile.h"
#include "viewer/viewersettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace viewertest;

namespace {

constexpr char kNotAMesh[] = "not a mesh\n";

class OpenedFileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setReloadWhenChanged(true); // the setting as a new process has it
    }

    QString write(const QString& name, const QByteArray& text) const
    {
        const QString path = QDir(dir.path()).filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
        return path;
    }

    // Waits for the running load, if any, to end.
    static bool ended(const OpenedFile& file)
    {
        return guitest::waitFor([&] { return !file.loading(); }, 20000);
    }

    QTemporaryDir dir;
};

// Each row starts with good.ply open, the watch off (no reload but the
// row's own).
TEST_F(OpenedFileTest, AnOpenOrReloadEndsWithTheModelNoneOrNothingChanged)
{
    enum class Step { Open, Reload, CloseThenReload };
    struct Row {
        const char* name;
        Step step;
        const char* file;                    // the file the step opens (good.ply for a reload)
        const char* text;                    // written to file first; null: the file is missing
        bool started;                        // the load started
        std::optional<LoadOutcome::End> end; // how it ended (none: nothing started)
        const char* openAfter;               // path() after it, in the folder ("" for none)
    };
    const Row rows[] = {
        {"a mesh opens", Step::Open, "cube.ply", kCubePly, true, LoadOutcome::End::Arrived, "cube.ply"},
        {"a file with no mesh leaves no file open", Step::Open, "broken.ply", kNotAMesh, true, LoadOutcome::End::Failed,
         ""},
        {"a missing file is refused and changes nothing", Step::Open, "missing.ply", nullptr, false, std::nullopt,
         "good.ply"},
        {"a reload reads the open file again", Step::Reload, "good.ply", kCubePly, true, LoadOutcome::End::Arrived,
         "good.ply"},
        {"a reload that gives no model keeps the file open", Step::Reload, "good.ply", kNotAMesh, true,
         LoadOutcome::End::Failed, "good.ply"},
        {"a closed file is not reloaded", Step::CloseThenReload, "good.ply", kCubePly, false, std::nullopt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenedFile file;
        file.setReloadsWhenChanged(false);
        std::string why;
        const QString good = write(QStringLiteral("good.ply"), kCubePly);
        ASSERT_TRUE(file.open(good, why));
        ASSERT_TRUE(ended(file));
        ASSERT_EQ(file.path(), good);

        const QString path = QDir(dir.path()).filePath(QString::fromLatin1(row.file));
        QFile::remove(path);
        if (row.text != nullptr)
            write(QString::fromLatin1(row.file), row.text);
        int refused = 0;
        QObject::connect(&file, &OpenedFile::refused, &file, [&refused] { ++refused; });
        const LoadOutcomes outcomes(&file);
        const ModelArrival kind = row.step == Step::Open ? ModelArrival::Opened : ModelArrival::Reloaded;
        if (row.step == Step::CloseThenReload)
            file.close();
        const bool started = row.step == Step::Open ? file.open(path, why) : file.reload(why);
        EXPECT_EQ(started, row.started);
        ASSERT_TRUE(ended(file));

        if (row.end) {
            ASSERT_EQ(outcomes.count(), 1);
            EXPECT_EQ(outcomes.last().end, *row.end);
            EXPECT_EQ(outcomes.last().kind, kind);
            EXPECT_EQ(outcomes.last().path, path);
        } else {
            EXPECT_EQ(outcomes.count(), 0);
            EXPECT_FALSE(why.empty());
        }
        // A file that cannot be opened is refused aloud; with no file open,
        // a reload is not even tried.
        EXPECT_EQ(refused, !row.started && row.step == Step::Open ? 1 : 0);
        const QString openAfter
            = *row.openAfter ? QDir(dir.path()).filePath(QString::fromLatin1(row.openAfter)) : QString();
        EXPECT_EQ(file.path(), openAfter);
    }
}

// While Reload When Changed is on, a change the watch reports during a load
// is read once, after the load has ended; a cancel forgets it.
TEST_F(OpenedFileTest, AChangeDuringALoadIsReadOnceTheLoadHasEnded)
{
    using End = LoadOutcome::End;
    struct Row {
        const char* name;
        bool reload; // the load is a reload of the open file (else an open)
        bool cancel;
        std::vector<End> ends; // the outcomes in order, all of good.ply
    };
    const Row rows[] = {
        {"during an open", false, false, {End::Arrived, End::Arrived}},
        {"during a reload", true, false, {End::Arrived, End::Arrived}},
        {"during a cancelled reload", true, true, {End::Cancelled}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenedFile file;
        const QString good = write(QStringLiteral("good.ply"), kCubePly);
        std::string why;
        if (row.reload) {
            ASSERT_TRUE(file.open(good, why));
            ASSERT_TRUE(ended(file));
        }
        const LoadOutcomes outcomes(&file);
        ASSERT_TRUE(row.reload ? file.reload(why) : file.open(good, why));
        // The load runs at least until the event loop runs again.
        ASSERT_TRUE(file.loading());
        file.fileWatch()->onChanged();
        if (row.cancel)
            file.cancel();
        ASSERT_TRUE(guitest::waitFor([&] { return outcomes.count() >= static_cast<int>(row.ends.size()); }, 20000));
        ASSERT_TRUE(ended(file));
        guitest::letTimersTick(50, 4); // no further reload
        ASSERT_EQ(outcomes.count(), static_cast<int>(row.ends.size()));
        for (std::size_t i = 0; i < row.ends.size(); ++i) {
            EXPECT_EQ(outcomes.all()[i].end, row.ends[i]) << i;
            EXPECT_EQ(outcomes.all()[i].path, good) << i;
            const bool first = i == 0;
            EXPECT_EQ(outcomes.all()[i].kind, first && !row.reload ? ModelArrival::Opened : ModelArrival::Reloaded)
                << i;
        }
    }
}

} // namespace
