// A hostile file system: folders that are files, names the system refuses, a disk that
// fills up mid-run, and an older export folder full of pipes, devices and link loops.
// Tests run as root, so permission bits cannot make anything read-only here; each test
// says what it really simulates.
#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorFiles.h"
#include "ProcessorTestSupport.h"

#include <fcntl.h>
#include <future>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace halvix;

namespace
{
/** Every entry below a folder with its content (files) or a marker (folders, links). */
std::map<juce::String, juce::String> treeWithContent (const juce::File& root)
{
    std::map<juce::String, juce::String> tree;
    for (const auto& f : root.findChildFiles (juce::File::findFilesAndDirectories, true, "*", juce::File::FollowSymlinks::no))
    {
        const auto name = f.getRelativePathFrom (root);
        if (f.isSymbolicLink())
            tree[name] = "-> " + f.getNativeLinkedTarget();
        else if (f.isDirectory())
            tree[name] = "/";
        else
        {
            juce::MemoryBlock bytes;
            f.loadFileAsData (bytes);
            tree[name] = bytes.toBase64Encoding(); // exact, binary included
        }
    }
    return tree;
}

/** The parts of the processor a failed run must leave as they were. */
struct Kept
{
    explicit Kept (const HalvixAudioProcessor& p)
        : total (p.totalGenerations)
        , lastKey (p.lastKey)
        , lastRunFolder (p.lastRunFolder)
        , state (p.stateFile.loadFileAsString())
    {
    }

    void expectKeptBy (const HalvixAudioProcessor& p) const
    {
        EXPECT_EQ (p.totalGenerations, total);
        EXPECT_EQ (p.lastKey, lastKey);
        EXPECT_EQ (p.lastRunFolder, lastRunFolder);
        EXPECT_EQ (p.stateFile.loadFileAsString(), state);
        EXPECT_EQ (p.lastStatus, "Generation failed");
    }

    int total;
    juce::String lastKey;
    juce::File lastRunFolder;
    juce::String state;
};

bool makeFifo (const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    return ::mkfifo (file.getFullPathName().toRawUTF8(), 0644) == 0;
}

/** Opening a pipe for writing releases a reader blocked on it; the writer goes at once. */
void releaseFifo (const juce::File& file)
{
    const auto fd = ::open (file.getFullPathName().toRawUTF8(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close (fd);
}
} // namespace

TEST (FaultInjection, AnExportRootThatIsAFileFailsTheRunAndStaysAsItWas)
{
    // Stands for an export root that cannot be written to at all.
    test::ScopedTemporaryHome home;
    test::writeFile (home.exports(), "someone else's file");

    HalvixAudioProcessor processor;
    EXPECT_EQ (processor.totalGenerations, 0);
    const Kept kept (processor);

    juce::String error;
    EXPECT_FALSE (processor.generateTop3 ("C minor", false, 120, "Orvell", error));
    EXPECT_TRUE (error.startsWith ("Failed to open MIDI file for writing: " + home.exports().getFullPathName() + "/")) << error;
    kept.expectKeptBy (processor);
    EXPECT_TRUE (processor.lastVariations.empty());
    EXPECT_EQ (home.exports().loadFileAsString(), "someone else's file");
}

TEST (FaultInjection, AnArchiveThatIsAFileLosesOnlyTheArchiveCopies)
{
    test::ScopedTemporaryHome home;
    test::writeFile (home.exports().getChildFile ("all_midis"), "not a folder");

    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("E major", false, 120, "Zentri", error)) << error;
    EXPECT_EQ (processor.totalGenerations, 1);
    EXPECT_EQ (home.exports().getChildFile ("all_midis").loadFileAsString(), "not a folder");
    for (const auto& v : processor.lastVariations)
        EXPECT_TRUE (v.midiFile.existsAsFile());
}

TEST (FaultInjection, ARunFolderTheSystemRefusesFailsTheRunAndLeavesEarlierRuns)
{
    // The key's slug goes into the run folder's name; past the file system's name limit
    // the folder cannot be created, as on a file system that refuses new folders.
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("D minor", false, 120, "Brisko", error)) << error;

    const auto before = treeWithContent (home.exports());
    const Kept kept (processor);

    const auto longKey = "A minor " + juce::String::repeatedString ("x", 300);
    EXPECT_FALSE (processor.generateTop3 (longKey, false, 120, "Brisko", error));
    EXPECT_TRUE (error.startsWith ("Failed to open MIDI file for writing: ")) << error;
    kept.expectKeptBy (processor);
    EXPECT_EQ (treeWithContent (home.exports()), before);

    const HalvixAudioProcessor restarted;
    EXPECT_EQ (restarted.totalGenerations, 1);
}

TEST (FaultInjection, ADiskThatFillsWhileWritingMidiFailsTheRunAndKeepsNoCutOffFile)
{
    // RLIMIT_FSIZE makes every write past the limit fail with EFBIG, as a full disk does.
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("G major", false, 120, "Tandu", error)) << error;

    const auto before = treeWithContent (home.exports());
    const Kept kept (processor);

    bool ok = true;
    {
        const test::ScopedFileSizeLimit limit (100);
        ok = processor.generateTop3 ("B minor", false, 120, "Orvell", error);
    }

    ASSERT_FALSE (ok);
    const auto failed = home.exports().findChildFiles (juce::File::findDirectories, false, "*_b_minor");
    ASSERT_EQ (failed.size(), 1);
    EXPECT_TRUE (error.startsWith ("Failed to write MIDI data: " + failed[0].getFullPathName() + "/b_minor_orvell_b")) << error;
    kept.expectKeptBy (processor);

    // Only the failed run's folder is new, and it holds no half-written file.
    auto after = treeWithContent (home.exports());
    EXPECT_EQ (after.erase (failed[0].getFileName()), 1u);
    EXPECT_EQ (after, before);
    EXPECT_TRUE (failed[0].findChildFiles (juce::File::findFiles, false).isEmpty());

    // With room again the next run goes through.
    ASSERT_TRUE (processor.generateTop3 ("B minor", false, 120, "Orvell", error)) << error;
    EXPECT_EQ (processor.totalGenerations, 2);
}

TEST (FaultInjection, AStateFileThatIsAFolderDoesNotStopRuns)
{
    test::ScopedTemporaryHome home;
    test::writeFile (home.stateFile().getChildFile ("keep.txt"), "kept");

    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("F major", false, 120, "Brisko", error)) << error;
    EXPECT_EQ (processor.totalGenerations, 1);
    EXPECT_EQ (test::listTree (home.stateFile()), juce::StringArray ("keep.txt"));
    EXPECT_EQ (home.stateFile().getChildFile ("keep.txt").loadFileAsString(), "kept");
    EXPECT_TRUE (home.exports().findChildFiles (juce::File::findFiles, false, "*_temp*").isEmpty());

    // The run is still counted at the next start, from its folder.
    const HalvixAudioProcessor restarted;
    EXPECT_EQ (restarted.totalGenerations, 1);
}

TEST (FaultInjection, AnOlderExportOfPipesDevicesAndLinkLoopsImportsOnlyRealFiles)
{
    test::ScopedTemporaryHome home;
    const auto older = home.dir().getChildFile ("Desktop").getChildFile ("halvix_exports");
    const auto archive = older.getChildFile ("all_midis");
    const auto run = older.getChildFile ("20240101_101010_001_002_c_minor");

    test::writeFile (archive.getChildFile ("real.mid"), "MThd real");
    test::makeRunFolder (older, run.getFileName());
    test::writeFile (run.getChildFile ("rank_1_x.mid"), "MThd rank");
    const auto outside = home.dir().getChildFile ("elsewhere.mid");
    test::writeFile (outside, "MThd linked");

    // A pipe blocks whoever reads it until a writer comes; /dev/zero never ends.
    ASSERT_TRUE (makeFifo (archive.getChildFile ("pipe.mid")));
    ASSERT_TRUE (makeFifo (run.getChildFile ("pipe.mid")));
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (archive.getChildFile ("zero.mid"), true));
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (run.getChildFile ("zero.mid"), true));
    ASSERT_TRUE (outside.createSymbolicLink (archive.getChildFile ("linked.mid"), true));
    ASSERT_TRUE (archive.getChildFile ("loop.mid").createSymbolicLink (archive.getChildFile ("loop.mid"), true));
    ASSERT_TRUE (older.getChildFile ("loop_run").createSymbolicLink (older.getChildFile ("loop_run"), true));
    archive.getChildFile ("folder.mid").createDirectory();
    ASSERT_TRUE (makeFifo (older.getChildFile ("pipe_run/progressions.json")));

    const auto olderTree = test::listTree (older);

    // Bounded so that a regression fails here instead of hanging the suite or filling the disk.
    std::future<int> start;
    {
        const test::ScopedFileSizeLimit limit (1 << 20);
        start = std::async (std::launch::async, []
                            { return HalvixAudioProcessor().totalGenerations; });
        if (start.wait_for (std::chrono::seconds (30)) != std::future_status::ready)
        {
            for (const auto& fifo : { archive.getChildFile ("pipe.mid"), run.getChildFile ("pipe.mid"), older.getChildFile ("pipe_run/progressions.json") })
                releaseFifo (fifo);
            ADD_FAILURE() << "start-up hung on the older export folder";
        }
    }

    EXPECT_EQ (start.get(), 1);

    const auto exports = home.exports();
    juce::StringArray archived;
    for (const auto& f : exports.getChildFile ("all_midis").findChildFiles (juce::File::findFilesAndDirectories, false, "*", juce::File::FollowSymlinks::no))
        archived.add (f.getFileName());
    archived.sort (false);
    EXPECT_EQ (archived, juce::StringArray ("linked.mid", "real.mid"));
    EXPECT_FALSE (exports.getChildFile ("all_midis/linked.mid").isSymbolicLink());
    EXPECT_EQ (exports.getChildFile ("all_midis/linked.mid").loadFileAsString(), "MThd linked");

    EXPECT_EQ (test::listTree (exports.getChildFile (run.getFileName())), juce::StringArray ({ "progressions.json", "rank_1_x.mid" }));
    EXPECT_FALSE (exports.getChildFile ("loop_run").exists());
    EXPECT_FALSE (exports.getChildFile ("pipe_run").exists());
    EXPECT_EQ (test::listTree (older), olderTree);
}

TEST (FaultInjection, ACopyOntoAFullDiskLeavesTheOldFileWhole)
{
    // The rank copies, the archive and "halvix_latest.mid" are copied this way.
    test::ScopedTemporaryHome home;
    const auto source = home.dir().getChildFile ("new.mid");
    const auto target = home.dir().getChildFile ("halvix_latest.mid");
    test::writeFile (source, juce::String::repeatedString ("new ", 1000));
    test::writeFile (target, "the previous run's file");

    bool copied = true;
    {
        const test::ScopedFileSizeLimit limit (64);
        copied = copyFileSafely (source, target);
    }

    EXPECT_FALSE (copied);
    EXPECT_EQ (target.loadFileAsString(), "the previous run's file");
    EXPECT_EQ (home.dir().findChildFiles (juce::File::findFiles, false, "*_temp*").size(), 0);

    EXPECT_TRUE (copyFileSafely (source, target));
    EXPECT_TRUE (target.hasIdenticalContentTo (source));
}
