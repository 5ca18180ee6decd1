#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli_runner.h"

namespace {

using Options = std::map<std::string, std::set<std::string>>;

// The options ("--name", "-x") a synopsis names.
std::set<std::string> optionsIn(const std::string& text)
{
    static const std::regex option(R"((^|[\s\[|("])(--?[a-z0-9][a-z0-9-]*))");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        if ((*it)[2] != "--help")
            found.insert((*it)[2]);
    return found;
}

// Per command, the options of its synopses in the manual page (COMMANDS: each ".TP" entry's
// heading line; nested .RS/.RE lists are descriptions, not commands).
Options manualCommands(const std::string& page)
{
    Options commands;
    std::istringstream lines(page);
    bool inCommands = false, nested = false, heading = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH", 0) == 0)
            inCommands = line == ".SH COMMANDS";
        else if (line == ".RS" || line == ".RE")
            nested = line == ".RS";
        else if (inCommands && !nested && line == ".TP")
            heading = true;
        else if (heading) {
            heading = false;
            std::string text = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
            text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
            text = std::regex_replace(text, std::regex(R"(^\.B[IR]? "?)"), "");
            const std::string name = text.substr(0, text.find_first_of(" \""));
            const std::set<std::string> options = optionsIn(text.substr(name.size()));
            commands[name].insert(options.begin(), options.end());
        }
    }
    return commands;
}

// The manual page names exactly the commands the tool has and, for each, exactly the options of
// its synopsis; the global options stand in its OPTIONS section.
TEST(ManualPage, NamesTheCommandsAndOptionsTheToolKnows)
{
    std::ifstream file(std::string(ORVANE_SOURCE_DIR) + "/doc/orvane.1");
    ASSERT_TRUE(file.good());
    std::ostringstream page;
    page << file.rdbuf();
    const Options manual = manualCommands(page.str());

    const CliResult overview = runOrvane("help");
    ASSERT_EQ(overview.status, 0);
    Options tool;
    std::istringstream lines(overview.out.substr(overview.out.find("commands:")));
    for (std::string line; std::getline(lines, line);) {
        std::string name;
        if (line.rfind("  ", 0) == 0 && std::istringstream(line) >> name) {
            const std::string usage = runOrvane("help " + name).out;
            tool[name] = optionsIn(
                usage.substr(0, usage.find('\n')).substr(std::string("usage: orvane ").size() + name.size()));
        }
    }
    ASSERT_GT(tool.size(), 5u);
    for (const auto& [name, options] : tool) {
        ASSERT_EQ(manual.count(name), 1u) << "the manual page has no entry for " << name;
        EXPECT_EQ(manual.at(name), options) << name;
    }
    for (const auto& entry : manual)
        EXPECT_EQ(tool.count(entry.first), 1u)
            << "the manual page names " << entry.first << ", the tool has no such command";
    for (const std::string& global : optionsIn(overview.out.substr(0, overview.out.find("commands:")))) {
        if (global != "--version") {
            EXPECT_NE(page.str().find(".BR " + std::regex_replace(global, std::regex("-"), "\\-")), std::string::npos)
                << global;
        }
    }
}

}  // namespace
