#include "PluginProcessor.h"
#include "Utf8Text.h"

#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstring>
#include <iostream>
#include <limits>
#include <optional>

namespace
{
const char* const kUsage =
    "usage: halvix-cli generate [--key \"C# minor\" | --random] [--engine NAME] [--bpm N] [--runs N]\n"
    "       halvix-cli engines\n"
    "       halvix-cli --help\n"
    "\n"
    "generate  runs the generator as the app does and files the results in\n"
    "          ~/halvix_exports; prints each run's status line and run folder.\n"
    "          --key     key text such as \"C# minor\", \"Eb major\", \"F#m\" (default C# minor)\n"
    "          --random  draw a random key for every run\n"
    "          --engine  Zentri, Orvell, Brisko or Tandu; becomes the active engine\n"
    "          --bpm     tempo, clamped to 50-220 (default 148)\n"
    "          --runs    number of runs, 1 or more (default 1)\n"
    "engines   lists the engines with their template and rhythm profile counts\n";

struct Request
{
    enum class Command
    {
        help,
        generate,
        engines
    };

    Command command = Command::help;
    juce::String key { "C# minor" };
    bool randomKey = false;
    juce::String engine;
    int bpm = 148;
    int runs = 1;
};

/** A whole decimal number (optional sign), saturated to the int range; nothing for other text. */
std::optional<int> parseWholeNumber (const juce::String& text)
{
    auto digits = text.trim();
    const auto negative = digits.startsWithChar ('-');

    if (negative || digits.startsWithChar ('+'))
        digits = digits.substring (1);

    if (digits.isEmpty() || ! digits.containsOnly ("0123456789"))
        return std::nullopt;

    juce::int64 value = 0;
    for (auto c : digits)
        value = juce::jmin ((juce::int64) std::numeric_limits<int>::max() + 1, value * 10 + (c - '0'));

    return (int) juce::jlimit ((juce::int64) std::numeric_limits<int>::min(),
                               (juce::int64) std::numeric_limits<int>::max(),
                               negative ? -value : value);
}

/** Parses the whole command line; on a usage error returns nothing and sets problem. */
std::optional<Request> parseArguments (const juce::StringArray& args, juce::String& problem)
{
    Request request;

    if (args.isEmpty())
    {
        problem = "no command given";
        return std::nullopt;
    }

    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        request.command = Request::Command::help;
        return request;
    }

    if (args[0] == "engines")
    {
        request.command = Request::Command::engines;

        if (args.size() > 1)
        {
            problem = "engines takes no options: " + args[1];
            return std::nullopt;
        }

        return request;
    }

    if (args[0] != "generate")
    {
        problem = "unknown command: " + args[0];
        return std::nullopt;
    }

    request.command = Request::Command::generate;
    bool keyGiven = false;

    for (int i = 1; i < args.size(); ++i)
    {
        const auto& option = args[i];

        if (option == "--help" || option == "-h")
        {
            request.command = Request::Command::help;
            return request;
        }

        if (option == "--random")
        {
            request.randomKey = true;
            continue;
        }

        if (option != "--key" && option != "--engine" && option != "--bpm" && option != "--runs")
        {
            problem = "unknown option: " + option;
            return std::nullopt;
        }

        if (i + 1 >= args.size())
        {
            problem = option + " needs a value";
            return std::nullopt;
        }

        const auto value = args[++i];

        if (option == "--key")
        {
            request.key = value;
            keyGiven = true;
        }
        else if (option == "--engine")
        {
            if (halvix::normalizeEngineId (value).isEmpty())
            {
                problem = "unknown engine: " + value + " (Zentri, Orvell, Brisko or Tandu)";
                return std::nullopt;
            }

            request.engine = value;
        }
        else if (option == "--bpm")
        {
            const auto bpm = parseWholeNumber (value);
            if (! bpm)
            {
                problem = "--bpm needs a whole number: " + value;
                return std::nullopt;
            }

            // The same range the editor's tempo field allows.
            request.bpm = juce::jlimit (50, 220, *bpm);
        }
        else
        {
            const auto runs = parseWholeNumber (value);
            if (! runs || *runs < 1)
            {
                problem = "--runs needs a whole number of at least 1: " + value;
                return std::nullopt;
            }

            request.runs = *runs;
        }
    }

    if (keyGiven && request.randomKey)
    {
        problem = "--key and --random exclude each other";
        return std::nullopt;
    }

    return request;
}

int listEngines (const halvix::HalvixAudioProcessor& processor)
{
    for (const auto& entry : processor.getEngineCatalog())
        std::cout << entry.id << " major " << entry.majorTemplateCount
                  << " minor " << entry.minorTemplateCount
                  << " profiles " << entry.bounceProfileCount << "\n";

    return 0;
}

int generate (halvix::HalvixAudioProcessor& processor, const Request& request)
{
    const auto vibe = request.engine.isNotEmpty() ? request.engine : juce::String ("Emotional");

    for (int run = 0; run < request.runs; ++run)
    {
        juce::String error;

        if (! processor.generateTop3 (request.key, request.randomKey, request.bpm, vibe, error))
        {
            std::cerr << "halvix-cli: " << error << "\n";
            return 1;
        }

        const juce::ScopedLock lock (processor.stateLock);
        std::cout << processor.lastStatus << "\n"
                  << processor.lastRunFolder.getFullPathName() << "\n"
                  << std::flush;
    }

    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (halvix::textFromUntrustedUtf8 (argv[i], std::strlen (argv[i]))); // a shell passes any bytes

    // Everything is checked before the processor exists, because constructing it
    // already creates and fills the export folder.
    juce::String problem;
    const auto request = parseArguments (args, problem);

    if (! request)
    {
        std::cerr << "halvix-cli: " << problem << "\n\n"
                  << kUsage;
        return 2;
    }

    if (request->command == Request::Command::help)
    {
        std::cout << kUsage;
        return 0;
    }

    // The processor's framework side expects JUCE to be initialised; no window is opened.
    const juce::ScopedJuceInitialiser_GUI juceInit;
    halvix::HalvixAudioProcessor processor;

    if (request->command == Request::Command::engines)
        return listEngines (processor);

    return generate (processor, *request);
}
