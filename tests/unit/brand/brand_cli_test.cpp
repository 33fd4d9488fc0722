#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "brand_fixtures.h"
#include "cli.h"
#include "version_info.h"

namespace {

using namespace brand_fixtures;
namespace fs = std::filesystem;

// A folder of its own for each test, holding in.exe and app.ico.
class brand_cli : public ::testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tavrin_brand_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
           std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) { return (dir / name).string(); }
  void write(const std::string& name, const bytes& data) {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
  }
  bytes read(const std::string& name) {
    std::ifstream in(path(name), std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
  }
  // Runs the command with {in}, {icon} and {dir} replaced by paths in the test's folder.
  brand::cli_result run(std::vector<std::string> args) {
    for (std::string& a : args) a = expand(a);
    return brand::run_cli(args);
  }
  std::string expand(std::string text) {
    for (auto [from, to] : {std::pair<std::string, std::string>{"{in}", path("in.exe")},
                            {"{icon}", path("app.ico")},
                            {"{dir}", dir.string()}})
      for (size_t at; (at = text.find(from)) != std::string::npos;)
        text.replace(at, from.size(), to);
    return text;
  }
  std::vector<std::string> listing() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

using spoiler = std::function<void(bytes& image, bytes& icon)>;

void set32(bytes& b, size_t at, uint32_t value) {
  put_le(b, at, value, 4);
}

constexpr size_t rsrc_raw = 0x600;  // the resource section's place in the fixture's file

TEST_F(brand_cli, refuses_bad_input_with_one_line_and_writes_nothing) {
  const std::vector<std::string> brand_icon = {"--icon", "{icon}", "{in}", "{dir}/out.exe"};
  const size_t dirs = directories(true);
  struct row {
    const char* name;
    spoiler spoil;
    const char* message;
    std::vector<std::string> args;
  } rows[] = {
      // INPUT
      {"not_pe", [](bytes& f, bytes&) { f[0] = 'X'; }, "{in}: is not a PE image"},
      {"no_pe_signature", [](bytes& f, bytes&) { f[pe + 1] = 'X'; }, "{in}: is not a PE image"},
      {"cut_in_headers", [](bytes& f, bytes&) { f.resize(0x50); }, "{in}: is cut short"},
      {"cut_in_sections", [](bytes& f, bytes&) { f.resize(0x700); }, "{in}: is cut short"},
      {"arm64", [](bytes& f, bytes&) { put_le(f, pe + 4, 0xAA64, 2); },
       "{in}: is not an x86 or x64 image"},
      {"pe32_header_on_x64", [](bytes& f, bytes&) { put_le(f, optional, 0x10B, 2); },
       "{in}: is not an x86 or x64 image"},
      {"directories_past_optional_header", [](bytes& f, bytes&) { put_le(f, pe + 20, 100, 2); },
       "{in}: has a malformed optional header"},
      {"alignments_not_powers_of_two",
       [](bytes& f, bytes&) { set32(f, optional + 32, 0x3000), set32(f, optional + 36, 0x3000); },
       "{in}: has a malformed optional header"},
      {"overlapping_sections",
       [](bytes& f, bytes&) { set32(f, section_header(2, true) + 12, resources_va); },
       "{in}: has overlapping sections"},
      {"no_resources", [&](bytes& f, bytes&) { set32(f, dirs + 20, 0); }, "{in}: has no resources"},
      {"signed", [&](bytes& f, bytes&) { set32(f, dirs + 32, 0x1000), set32(f, dirs + 36, 8); },
       "{in}: is signed (it has a certificate table): brand the unsigned launcher, then sign the "
       "result"},
      {"data_after_last_section", [](bytes& f, bytes&) { f.resize(f.size() + 16); },
       "{in}: has data after its last section"},
      {"resources_inside_a_section", [&](bytes& f, bytes&) { set32(f, dirs + 16, 0x2010); },
       "{in}: keeps its resources outside a section of their own"},
      {"unmovable_section_after_resources", [&](bytes& f, bytes&) { set32(f, dirs + 40, 0); },
       "{in}: has a section after its resources that cannot be moved safely"},
      {"debug_data_after_resources",
       [&](bytes& f, bytes&) { set32(f, dirs + 48, relocations_va), set32(f, dirs + 52, 28); },
       "{in}: has data that the tool cannot move after its resources"},
      {"resource_directory_outside", [](bytes& f, bytes&) { set32(f, rsrc_raw + 20, 0x8000FFF0); },
       "{in}: has a malformed resource directory"},
      {"resource_directory_loop", [](bytes& f, bytes&) { set32(f, rsrc_raw + 20, 0x80000000); },
       "{in}: has a malformed resource directory"},
      {"resource_data_outside",  // the first data entry follows the 4 + 4 + 7 directories
       [](bytes& f, bytes&) { set32(f, rsrc_raw + 4 * 16 + 7 * 8 + 7 * 24 + 48, 0x1000); },
       "{in}: has a malformed resource directory"},
      // the icon file
      {"not_an_icon", [](bytes&, bytes& i) { i[2] = 2; }, "{icon}: is not an icon file"},
      {"icon_cut_in_directory", [](bytes&, bytes& i) { i.resize(30); }, "{icon}: is cut short"},
      {"icon_cut_in_image", [](bytes&, bytes& i) { i.resize(i.size() - 1); },
       "{icon}: image 2 is cut short"},
      {"icon_without_images", [](bytes&, bytes& i) { i[4] = 0; }, "{icon}: holds no image"},
      {"icon_offset_outside", [](bytes&, bytes& i) { set32(i, 6 + 12, 0xFFFFFFF0); },
       "{icon}: image 1 points outside the file"},
      {"image_neither_png_nor_bitmap", [](bytes&, bytes& i) { i[6 + 32 + 1] = 'G'; },
       "{icon}: image 1 is neither a PNG nor a bitmap"},
      {"image_over_256_pixels", [](bytes&, bytes& i) { set32(i, 6 + 32 + 4, 512); },
       "{icon}: image 1 is not between 1x1 and 256x256 pixels"},
      // options
      {"five_numbers",
       nullptr,
       "--app-version 1.2.3.4.5: has more than four numbers",
       {"--app-version", "1.2.3.4.5", "{in}", "{dir}/out.exe"}},
      {"empty_number",
       nullptr,
       "--app-version 1..2: has an empty or non-numeric part",
       {"--app-version", "1..2", "{in}", "{dir}/out.exe"}},
      {"empty_version",
       nullptr,
       "--app-version : has an empty or non-numeric part",
       {"--app-version", "", "{in}", "{dir}/out.exe"}},
      {"number_over_65535",
       nullptr,
       "--app-version 1.65536: has a number over 65535",
       {"--app-version", "1.65536", "{in}", "{dir}/out.exe"}},
      {"text_too_long",
       nullptr,
       "{in}: version texts too long for a version resource (65535 bytes in all)",
       {"--copyright", std::string(33000, 'c'), "{in}", "{dir}/out.exe"}},
      {"texts_too_long_together",
       nullptr,
       "{in}: version texts too long for a version resource (65535 bytes in all)",
       {"--name", std::string(20000, 'n'), "--vendor", std::string(20000, 'v'), "{in}",
        "{dir}/out.exe"}},
      {"text_not_utf8",
       nullptr,
       "--vendor: is not valid UTF-8",
       {"--vendor", "caf\xE9", "{in}", "{dir}/out.exe"}},
      {"unknown_option",
       nullptr,
       "unknown option --colour (see --help)",
       {"--colour", "red", "{in}", "{dir}/out.exe"}},
      {"missing_value",
       nullptr,
       "option --name needs a value",
       {"{in}", "{dir}/out.exe", "--name"}},
      {"unknown_level",
       nullptr,
       "--execution-level admin: is not asInvoker, highestAvailable or requireAdministrator",
       {"--execution-level", "admin", "{in}", "{dir}/out.exe"}},
      {"app_id_with_space",
       nullptr,
       "--app-user-model-id Acme Demo: has a space or a control character",
       {"--app-user-model-id", "Acme Demo", "{in}", "{dir}/out.exe"}},
      {"app_id_with_tab",
       nullptr,
       "--app-user-model-id Acme\tDemo: has a space or a control character",
       {"--app-user-model-id", "Acme\tDemo", "{in}", "{dir}/out.exe"}},
      {"no_output", nullptr, "expects INPUT and OUTPUT (see --help)", {"{in}"}},
      {"output_is_input",
       nullptr,
       "{dir}/./in.exe: is INPUT itself; write the branded copy under another name",
       {"--name", "A", "{in}", "{dir}/./in.exe"}},
      {"no_input_file",
       nullptr,
       "{dir}/none.exe: cannot be read",
       {"{dir}/none.exe", "{dir}/out.exe"}},
      {"no_icon_file",
       nullptr,
       "{dir}/none.ico: cannot be read",
       {"--icon", "{dir}/none.ico", "{in}", "{dir}/out.exe"}},
  };
  for (const row& r : rows) {
    bytes image = launcher(), icon = ico({bitmap(16, 1), bitmap(32, 2)}, {16, 32});
    if (r.spoil) r.spoil(image, icon);
    write("in.exe", image);
    write("app.ico", icon);
    brand::cli_result result = run(r.args.empty() ? brand_icon : r.args);
    EXPECT_EQ(result.status, 1) << r.name;
    EXPECT_EQ(result.err, "tavrin-brand: " + expand(r.message) + "\n") << r.name;
    EXPECT_EQ(listing(), (std::vector<std::string>{"app.ico", "in.exe"})) << r.name;
    EXPECT_EQ(read("in.exe"), image) << r.name;
  }
}

TEST_F(brand_cli, names_the_copy_after_output_and_describes_it_by_name) {
  write("in.exe", launcher());
  brand::cli_result result = run({"--name", "Zo\xC3\xAB \xF0\x9F\x98\x80", "--app-version", "01.2",
                                  "{in}", "{dir}/My App.exe"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(listing(), (std::vector<std::string>{"My App.exe", "in.exe"}));
  std::vector<resource> list = resources_of(read("My App.exe"));
  const resource* version = find(list, rt_version);
  ASSERT_TRUE(version);
  using strings = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(read_version(version->data).strings,
            (strings{{u"ProductName", u"Zo\u00EB \U0001F600"},
                     {u"FileDescription", u"Zo\u00EB \U0001F600"},
                     {u"FileVersion", u"1.2"},
                     {u"ProductVersion", u"1.2"},
                     {u"OriginalFilename", u"My App.exe"},
                     {u"InternalName", u"My App"}}));
  EXPECT_EQ(read_version(version->data).fixed[2], 0x10002u);
}

TEST_F(brand_cli, replaces_an_existing_output) {
  write("in.exe", launcher());
  write("out.exe", {1, 2, 3});
  ASSERT_EQ(run({"{in}", "{dir}/out.exe"}).status, 0);
  EXPECT_EQ(listing(), (std::vector<std::string>{"in.exe", "out.exe"}));
  EXPECT_NO_THROW(read_pe(read("out.exe")));
}

}  // namespace
