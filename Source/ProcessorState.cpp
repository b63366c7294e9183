#include "PluginProcessor.h"
#include "ProcessorFiles.h"
#include "Utf8Text.h"

#include <cmath>
#include <limits>

#if ! JUCE_WINDOWS
#include <sys/stat.h>
#endif

namespace halvix
{

namespace
{
    // The state file holds four members; anything far larger is not ours, and reading
    // it whole could exhaust memory.
    constexpr juce::int64 kMaxStateFileBytes = 64 * 1024;

    // The parser recurses once per bracket, so a file of nothing but "[" could exhaust
    // the stack; a real state file nests one level.
    constexpr int kMaxJsonNesting = 32;

    const char* const kArchiveFolderName = "all_midis";
    const char* const kSummaryFileName = "progressions.json";

    /** A regular file, or a link to one. File::existsAsFile also says yes to pipes and
        devices, and copying a pipe blocks until someone writes to it, copying /dev/zero
        never ends. */
    bool isRegularFile (const juce::File& file)
    {
#if JUCE_WINDOWS
        return file.existsAsFile();
#else
        struct stat info;
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
#endif
    }

    // The parser gathers a number's digits in an int64 and an exponent's in an int, neither
    // checked for overflow (undefined behaviour past 18 and 9 digits); ours have at most 10.
    constexpr int kMaxNumberDigits = 18;
    constexpr int kMaxExponentDigits = 5;

    /** False for text that would overtax JUCE's JSON parser: nesting deep enough to exhaust
        the stack, or a number too long for it to read. */
    bool isSafeToParse (const juce::String& text)
    {
        int depth = 0;
        int digits = 0;
        bool inString = false;
        bool escaped = false;
        bool exponent = false; // inside the digits after an "e" or "E"

        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        {
            const auto c = *p;

            if (inString)
            {
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    inString = false;
                continue;
            }

            const bool digit = c >= '0' && c <= '9';
            if (c == 'e' || c == 'E')
                exponent = true;
            else if (! digit && ! ((c == '+' || c == '-') && exponent && digits == 0))
                exponent = false;

            digits = digit ? digits + 1 : 0;
            if (digits > (exponent ? kMaxExponentDigits : kMaxNumberDigits))
                return false;

            if (c == '"')
                inString = true;
            else if ((c == '[' || c == '{') && ++depth > kMaxJsonNesting)
                return false;
            else if (c == ']' || c == '}')
                --depth;
        }

        return true;
    }

    /** The state file's object, or void for anything that is not a readable JSON object. */
    juce::var readStateObject (const juce::File& file)
    {
        if (! isRegularFile (file))
            return {};

        const auto size = file.getSize();
        if (size <= 0 || size > kMaxStateFileBytes)
            return {};

        juce::MemoryBlock bytes;
        if (! file.loadFileAsData (bytes) || (juce::int64) bytes.getSize() > kMaxStateFileBytes)
            return {};

        auto* data = static_cast<const char*> (bytes.getData());
        auto numBytes = (int) bytes.getSize();

        if (numBytes >= 3 && (juce::uint8) data[0] == 0xef && (juce::uint8) data[1] == 0xbb && (juce::uint8) data[2] == 0xbf)
        {
            data += 3;
            numBytes -= 3;
        }

        if (! isWellFormedUtf8 (data, (size_t) numBytes))
            return {};

        const auto text = juce::String::fromUTF8 (data, numBytes);
        if (! isSafeToParse (text))
            return {};

        juce::var parsed;
        // var counts an array as an object too; only a real JSON object will do.
        if (juce::JSON::parse (text, parsed).failed() || parsed.getDynamicObject() == nullptr)
            return {};

        return parsed;
    }

    /** A member read as int the way var converts it, but clamped instead of wrapping. */
    int readInt (const juce::var& value)
    {
        constexpr auto lo = (double) std::numeric_limits<int>::min();
        constexpr auto hi = (double) std::numeric_limits<int>::max();

        auto clamp = [&] (double d)
        { return (int) juce::jlimit (lo, hi, d); };

        if (value.isDouble())
        {
            const auto d = (double) value;
            return std::isnan (d) ? 0 : clamp (d);
        }

        if (value.isInt64())
            return clamp ((double) (juce::int64) value);

        if (value.isString())
            return clamp ((double) value.toString().getLargeIntValue());

        return (int) value;
    }

    bool holdsRunSummary (const juce::File& folder)
    {
        return isRegularFile (folder.getChildFile (kSummaryFileName));
    }

    /** Copies a folder tree; symbolic links inside are skipped so a link that points
        back up the tree cannot make the copy run away. */
    void copyTree (const juce::File& source, const juce::File& target)
    {
        if (! target.createDirectory())
            return;

        for (const auto& child : source.findChildFiles (juce::File::findFilesAndDirectories, false))
        {
            if (child.isSymbolicLink())
                continue;

            const auto destination = target.getChildFile (child.getFileName());

            if (child.isDirectory())
                copyTree (child, destination);
            else if (isRegularFile (child))
                copyFileSafely (child, destination);
        }
    }

    void importOlderExportFolder (const juce::File& older, const juce::File& exportRoot, const juce::File& allMidisDir)
    {
        if (! older.exists() || older.getFullPathName().equalsIgnoreCase (exportRoot.getFullPathName()))
            return;

        const auto olderArchive = older.getChildFile (kArchiveFolderName);

        if (olderArchive.isDirectory())
        {
            for (const auto& midi : olderArchive.findChildFiles (juce::File::findFiles, false, "*.mid"))
            {
                const auto target = allMidisDir.getChildFile (midi.getFileName());
                if (isRegularFile (midi) && ! isRegularFile (target))
                    copyFileSafely (midi, target);
            }
        }

        for (const auto& folder : older.findChildFiles (juce::File::findDirectories, false))
        {
            if (folder.getFileName() == kArchiveFolderName || ! holdsRunSummary (folder))
                continue;

            const auto target = exportRoot.getChildFile (folder.getFileName());
            if (! target.exists())
                copyTree (folder, target);
        }
    }

    int countRunFolders (const juce::File& exportRoot)
    {
        int count = 0;

        for (const auto& folder : exportRoot.findChildFiles (juce::File::findDirectories, false))
            if (folder.getFileName() != kArchiveFolderName && holdsRunSummary (folder))
                ++count;

        return count;
    }
} // namespace

juce::String toSingleLineJson (const juce::var& value)
{
    return juce::JSON::toString (value, true);
}

bool replaceFileContentSafely (const juce::File& target, const juce::String& text)
{
    juce::TemporaryFile temp (target, juce::TemporaryFile::useHiddenFile);
    const auto numBytes = text.getNumBytesAsUTF8();

    {
        // JUCE's own replaceWithText renames the temporary file into place even when
        // writing it failed, so a full disk would leave a truncated file behind.
        juce::FileOutputStream out (temp.getFile());

        if (! out.openedOk() || ! out.write (text.toRawUTF8(), numBytes))
            return false;

        out.flush();

        if (out.getStatus().failed())
            return false;
    }

    if (temp.getFile().getSize() != (juce::int64) numBytes)
        return false;

    return temp.overwriteTargetFileWithTemporary();
}

bool copyFileSafely (const juce::File& source, const juce::File& target)
{
    if (source == target)
        return true;

    juce::FileInputStream in (source);
    if (! in.openedOk())
        return false;

    const auto numBytes = in.getTotalLength();
    juce::TemporaryFile temp (target, juce::TemporaryFile::useHiddenFile);

    {
        // JUCE's copyFileTo deletes the target first and counts bytes read, not written.
        juce::FileOutputStream out (temp.getFile());

        if (! out.openedOk() || out.writeFromInputStream (in, -1) != numBytes)
            return false;

        out.flush();

        if (out.getStatus().failed())
            return false;
    }

    if (temp.getFile().getSize() != numBytes)
        return false;

    return temp.overwriteTargetFileWithTemporary();
}

void HalvixAudioProcessor::runStartupSequence()
{
    exportRoot = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("halvix_exports");
    allMidisDir = exportRoot.getChildFile (kArchiveFolderName);
    stateFile = exportRoot.getChildFile (".halvix_state.json");
    exportRoot.createDirectory();
    allMidisDir.createDirectory();

    const auto desktop = juce::File::getSpecialLocation (juce::File::userDesktopDirectory);
    importOlderExportFolder (desktop.getChildFile ("halvix_exports"), exportRoot, allMidisDir);

    const auto folderCount = countRunFolders (exportRoot);
    const auto state = readStateObject (stateFile);

    if (state.getDynamicObject() != nullptr)
    {
        const auto engine = state.getProperty ("active_engine_model", {}).toString().trim();
        if (normalizeEngineId (engine).isNotEmpty())
            activeEngineModel = engine;

        const auto accent = readInt (state.getProperty ("theme_accent_index", {}));
        if (accent >= 0 && accent <= 5)
            themeAccentIndex = accent;

        // A relative path would be resolved against whatever the working folder is.
        const auto image = state.getProperty ("theme_bg_image", {}).toString().trim();
        if (image.isNotEmpty() && juce::File::isAbsolutePath (image) && juce::File (image).existsAsFile())
            themeBgImage = image;

        const auto stored = readInt (state.getProperty ("total_generations", {}));
        if (stored >= 0)
        {
            totalGenerations = juce::jmax (stored, folderCount);
            return;
        }
    }

    totalGenerations = folderCount;
    saveState();
}

int storedTotalGenerations (const juce::File& stateFile)
{
    const auto state = readStateObject (stateFile);
    if (state.getDynamicObject() == nullptr)
        return -1;
    return readInt (state.getProperty ("total_generations", {}));
}

void HalvixAudioProcessor::saveState() const
{
    auto* object = new juce::DynamicObject();
    const juce::var state (object);

    // Other instances (in the same host or another) share this file: the counter on
    // disk may have moved on since we read it, and must never go down.
    object->setProperty ("total_generations", juce::jmax (totalGenerations, storedTotalGenerations (stateFile)));
    object->setProperty ("active_engine_model", activeEngineModel);
    object->setProperty ("theme_accent_index", themeAccentIndex);

    if (themeBgImage.isNotEmpty())
        object->setProperty ("theme_bg_image", themeBgImage);

    replaceFileContentSafely (stateFile, toSingleLineJson (state));
}

void HalvixAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto* object = new juce::DynamicObject();
    const juce::var blob (object);

    {
        const juce::ScopedLock lock (stateLock);
        object->setProperty ("total_generations", totalGenerations);
        object->setProperty ("last_key", lastKey);
        object->setProperty ("active_engine_model", activeEngineModel);
    }

    const auto text = toSingleLineJson (blob);
    destData.replaceAll (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

void HalvixAudioProcessor::setStateInformation (const void*, int)
{
    // The state file is the only persistence restored; the host's copy is ignored.
}

} // namespace halvix
