#pragma once

#include <juce_core/juce_core.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

namespace halvix::test
{

/** Points $HOME at a fresh temporary folder for the lifetime of the object, so the
    processor's export folder and the desktop it imports from are the test's own. */
class ScopedTemporaryHome
{
public:
    ScopedTemporaryHome()
        : home (juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getChildFile ("halvix_test_home_" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64())))
    {
        if (const auto* previous = std::getenv ("HOME"))
            previousHome = previous;

        home.createDirectory();
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    }

    ~ScopedTemporaryHome()
    {
        if (previousHome.isNotEmpty())
            ::setenv ("HOME", previousHome.toRawUTF8(), 1);
        else
            ::unsetenv ("HOME");

        home.deleteRecursively();
    }

    juce::File dir() const { return home; }
    juce::File exports() const { return home.getChildFile ("halvix_exports"); }
    juce::File stateFile() const { return exports().getChildFile (".halvix_state.json"); }

private:
    juce::File home;
    juce::String previousHome;
};

/** Makes every write past the given size fail with EFBIG, as a full disk would. */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        ::getrlimit (RLIMIT_FSIZE, &previous);
        previousHandler = std::signal (SIGXFSZ, SIG_IGN);
        auto limited = previous;
        limited.rlim_cur = bytes;
        ::setrlimit (RLIMIT_FSIZE, &limited);
    }

    ~ScopedFileSizeLimit()
    {
        ::setrlimit (RLIMIT_FSIZE, &previous);
        std::signal (SIGXFSZ, previousHandler);
    }

private:
    rlimit previous {};
    void (*previousHandler) (int) = nullptr;
};

/** Every file below a folder, as paths relative to it, sorted. */
inline juce::StringArray listTree (const juce::File& root)
{
    juce::StringArray paths;
    for (const auto& f : root.findChildFiles (juce::File::findFilesAndDirectories, true, "*", juce::File::FollowSymlinks::no))
        paths.add (f.getRelativePathFrom (root) + (f.isDirectory() ? "/" : ""));

    paths.sort (false);
    return paths;
}

inline void writeFile (const juce::File& file, const juce::String& text)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText (text);
}

/** A run folder as the processor counts it: a folder holding "progressions.json". */
inline void makeRunFolder (const juce::File& exportRoot, const juce::String& name)
{
    writeFile (exportRoot.getChildFile (name).getChildFile ("progressions.json"), "{}");
}

} // namespace halvix::test
