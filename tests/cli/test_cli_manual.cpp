// The three places a technician reads about vantoro-cli (--help, the man page, the README's
// section) name the same options and agree on the facts scripts depend on.
#include "clirig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>

using namespace vantoro;

namespace {

std::set<std::string> OptionsIn(const std::string& strText, const std::regex& option) {
    std::set<std::string> options;
    for (std::sregex_iterator it(strText.begin(), strText.end(), option), end; it != end; ++it)
        options.insert((*it)[1].str());
    return options;
}

// From the line starting with strFrom up to the next line starting with strNext.
std::string Section(const std::string& strText, const std::string& strFrom,
                    const std::string& strNext) {
    const std::size_t nFrom = strText.find("\n" + strFrom);
    if (nFrom == std::string::npos)
        return {};
    const std::size_t nEnd = strText.find("\n" + strNext, nFrom + 1);
    return strText.substr(nFrom, nEnd == std::string::npos ? std::string::npos : nEnd - nFrom);
}

std::string Joined(const std::set<std::string>& names) {
    std::string strText;
    for (const std::string& strName : names)
        strText += " --" + strName;
    return strText;
}

struct Manuals {
    std::string strHelp, strMan, strReadme;
};

Manuals ReadManuals() {
    const std::string strProgram = std::string(std::getenv("VANTORO_BUILD_DIR")) + "/vantoro-cli";
    const std::string strSource = std::getenv("VANTORO_SOURCE_DIR");
    Manuals manuals;
    for (const char* pszCommand : {"", "ports ", "software ", "update ", "check "})
        manuals.strHelp += CommandOutput(strProgram + " " + pszCommand + "--help");
    // Without the font changes, as man shows it.
    manuals.strMan = std::regex_replace(test::ReadTextFile(strSource + "/packaging/vantoro-cli.1"),
                                        std::regex(R"(\\f[BIRP])"), "");
    manuals.strMan = std::regex_replace(manuals.strMan, std::regex(R"(\\-)"), "-");
    // The simulator's own options in the section's example are not the cli's.
    for (const std::string& strLine : LinesOf(Section(test::ReadTextFile(strSource + "/README.md"),
                                                      "## Production benches", "## Screenshots"))) {
        if (strLine.find("target-sim") == std::string::npos &&
            strLine.find("$sim") == std::string::npos)
            manuals.strReadme += strLine + "\n";
    }
    return manuals;
}

} // namespace

TEST(CliManual, HelpManPageAndReadmeListTheSameOptions) {
    const Manuals m = ReadManuals();
    ASSERT_FALSE(m.strReadme.empty());
    const std::regex option(R"((?:^|[\s\[(`|])--([a-z][a-z-]+))");
    const std::set<std::string> help = OptionsIn(m.strHelp, option);
    const std::set<std::string> man = OptionsIn(Section(m.strMan, ".SH OPTIONS", ".SH "), option);
    const std::set<std::string> readme = OptionsIn(m.strReadme, option);
    EXPECT_GE(help.size(), 12u) << Joined(help);
    EXPECT_EQ(Joined(man), Joined(help)) << "the man page's OPTIONS against --help";
    EXPECT_EQ(Joined(readme), Joined(help)) << "the README's section against --help";
}

// Network port names, every exit status, the ignored signals and where the settings of root
// live: each is said in all three.
TEST(CliManual, HelpManPageAndReadmeAgreeOnNamesStatusesAndSettings) {
    const Manuals m = ReadManuals();
    const char* const kFacts[] = {"rfc2217://",      "socket://",      "130", "143", "129", "nohup",
                                  "standard output", ".config/Vantoro"};
    for (const char* pszFact : kFacts) {
        SCOPED_TRACE(pszFact);
        EXPECT_NE(m.strHelp.find(pszFact), std::string::npos) << "--help";
        EXPECT_NE(m.strMan.find(pszFact), std::string::npos) << "man page";
        EXPECT_NE(m.strReadme.find(pszFact), std::string::npos) << "README";
    }
}
