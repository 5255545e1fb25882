// The shape of the source tree: includes only go down the layers, so one
// subsystem can change without another, and the window thread has one event
// loop. A file that breaks either rule is named.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSource = LIRMUS_SOURCE_DIR "/src";

// Top to bottom: a file may include its own layer's headers and those of the layers below it.
// The command-line tools under song/info print what sing finds in a song, so they sit above it.
const std::vector<std::string> kLayers = {"app",     "ui",    "output", "song/info",    "sing",   "party",
                                          "lyrics",  "song",  "library", "mixer",       "core",
                                          "platform/mci", "platform/midiout", "platform/midifile", "platform/profile"};

std::string read(const fs::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// The layer of a file below src ("" when none): the longest layer path it lies in.
std::string layerOf(const fs::path& file)
{
    const std::string rel = fs::relative(file, kSource).generic_string();
    std::string best;
    for (const std::string& l : kLayers)
        if (rel.rfind(l + "/", 0) == 0 && l.size() > best.size()) best = l;
    return best;
}

int rank(const std::string& layer)
{
    return int(std::find(kLayers.begin(), kLayers.end(), layer) - kLayers.begin());
}

std::vector<fs::path> sources()
{
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(kSource))
        if (e.is_regular_file() && (e.path().extension() == ".h" || e.path().extension() == ".cpp"))
            files.push_back(e.path());
    return files;
}

} // namespace

TEST(SourceLayers, IncludesOnlyGoDownAndEveryHeaderHasOneHome)
{
    const std::vector<fs::path> files = sources();
    ASSERT_GT(files.size(), 100u) << kSource;
    std::map<std::string, std::string> home; // header name -> its layer
    for (const fs::path& f : files) {
        if (f.extension() != ".h") continue;
        const std::string layer = layerOf(f);
        ASSERT_FALSE(layer.empty()) << f << " lies in no layer";
        const auto [at, fresh] = home.emplace(f.filename().string(), layer);
        EXPECT_TRUE(fresh) << f.filename() << " is in " << at->second << " and in " << layer;
    }
    const std::regex include(R"re(#include\s+"([^"]+)")re");
    int checked = 0;
    for (const fs::path& f : files) {
        const std::string text = read(f), from = layerOf(f);
        for (auto m = std::sregex_iterator(text.begin(), text.end(), include); m != std::sregex_iterator(); ++m) {
            const std::string name = fs::path((*m)[1].str()).filename().string();
            const auto to = home.find(name);
            if (to == home.end()) continue; // generated or outside src
            ++checked;
            EXPECT_GE(rank(to->second), rank(from))
                << fs::relative(f, kSource).generic_string() << " (" << from << ") includes " << name << " of "
                << to->second << ", a layer above it";
        }
    }
    EXPECT_GT(checked, 300);
}

TEST(SourceLayers, NothingRunsANestedEventLoop)
{
    // Work that takes long runs as a job beside the one event loop; a modal dialog's own loop is Qt's.
    const std::regex nested(R"(processEvents\s*\(|QEventLoop\b)");
    for (const fs::path& f : sources()) {
        const std::string text = read(f);
        std::smatch m;
        EXPECT_FALSE(std::regex_search(text, m, nested)) << fs::relative(f, kSource).generic_string() << ": " << m.str();
    }
}
