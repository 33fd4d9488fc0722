// tavrin-pack's command line: what it refuses, and how repeated and listed values add up.
#include "options/pack_options.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using args = std::vector<std::string>;
const args needed = {"--name",     "Demo",  "--input",       "in",
                     "--main-jar", "a.jar", "--module-path", "jmods"};

args with(args extra) {
  extra.insert(extra.begin(), needed.begin(), needed.end());
  return extra;
}

TEST(pack_options, refusals) {
  std::string dir = ::testing::TempDir();
  for (auto [file, text] :
       {std::pair<const char*, const char*>{"cli.properties", "win-console=true"},
        {"colour.properties", "colour=red"},
        {"noext.properties", "mime-type=text/x-y"},
        {"dotted.properties", "extension=.txt"},
        {"lnk.properties", "extension=LNK"},
        {"doc.properties", "extension=tvdoc"},
        {"DOC.properties", "extension=TVDOC"},
        {"cp.properties", "java-options=-Xmx1g -cp x"},
        {"version.properties", "app-version=2.x"}})
    std::ofstream(dir + file) << text;
  std::string cli = dir + "cli.properties";
  struct row {
    args given;
    std::string problem;
  } rows[] = {
      {{}, "--name is required"},
      {{"--name", "Demo", "--input", "in"}, "--main-jar is required"},
      {{"--name"}, "--name needs a value"},
      {with({"--colour", "red"}), "unknown option --colour"},
      {with({"extra"}), "unexpected extra"},
      {with({"--runtime-image", "jre"}),
       "give either --module-path (a Windows JDK's jmods) or --runtime-image"},
      {with({"--type", "deb"}), "--type deb: is not app-image, zip or msi"},
      {with({"--win-shortcut"}), "--win-shortcut needs --type msi"},
      {with({"--win-sign-pkcs11-module", "p.so", "--win-sign-cert", "c.pem"}),
       "a key in a token needs --win-sign-pkcs11-module, --win-sign-key and --win-sign-cert "
       "together"},
      {with({"--win-sign-key", "pkcs11:object=k;pin-value=1234"}),
       "--win-sign-key: give the key as a pkcs11: URI without pin-value, and the PIN through "
       "--win-sign-password-env"},
      {with({"--win-sign-command", "sign {}", "--win-sign-password-env", "PW"}),
       "--win-sign-password-env is for a key file or a token; a sign command reads its own "
       "secrets"},
      {with({"--about-url", "https://example.com", "--type", "zip"}),
       "--about-url needs --type msi or a way to sign"},
      {with({"--type", "msi"}),
       "--type msi needs --vendor: the publisher, and the registry key Software\\VENDOR\\NAME"},
      {with({"--type", "msi", "--vendor", "V", "--app-version", "1.2.3.4"}),
       "--app-version 1.2.3.4: an installer's version is MAJOR.MINOR.BUILD, with major and "
       "minor at most 255 and build at most 65535"},
      {{"--name", "A", "--input", "in", "--main-jar", "a.jar", "--runtime-image", "jre",
        "--add-modules", "java.sql"},
       "--add-modules, --jlink-options and --jlink need --module-path"},
      {with({"--java-options", "-classpath"}),
       "--java-options -classpath: the launcher reads it as the class path option; the class "
       "path is pack's"},
      {with({"--app-version", "1.70000"}), "--app-version 1.70000: has a number over 65535"},
      {with({"--arguments", "caf\xE9"}), "--arguments: is not valid UTF-8"},
      {{"--name", "a:b"},
       "--name a:b: is not a Windows file name: it holds ':', which Windows "
       "does not allow in a name"},
      {with({"--type", "msi", "--vendor", "Acme\\Labs"}),
       "--vendor Acme\\Labs: holds '\\', which separates registry keys; the installer's registry "
       "key is Software\\VENDOR\\NAME"},
      {with({"--add-launcher", "a:b=" + cli}),
       "--add-launcher a:b=" + cli + ": 'a:b' holds ':', which Windows does not allow in a name"},
      {with({"--add-launcher", "DEMO=" + cli}),
       "--add-launcher DEMO: another launcher has that name"},
      {with({"--add-launcher", "Cli=" + dir + "colour.properties"}),
       dir + "colour.properties: 'colour' is no key of its own (main-jar, main-class, arguments, "
             "java-options, win-console, win-menu, win-shortcut, icon, description, app-version)"},
      {with({"--add-launcher", "Cli=" + dir + "cp.properties"}),
       dir + "cp.properties: java-options -cp: the launcher reads it as the class path option; "
             "the class path is pack's"},
      {with({"--add-launcher", "Cli=" + dir + "version.properties"}),
       dir + "version.properties: app-version 2.x: has an empty or non-numeric part"},
      {with({"--add-launcher", "Cli=" + dir}), dir + ": the properties file cannot be read"},
      {with({"--add-launcher", "Cli=" + dir + "missing"}),
       dir + "missing: the properties file cannot be read"},
      {with({"--file-associations", dir + "noext.properties"}),
       dir + "noext.properties: gives no extension"},
      {with({"--file-associations", dir + "dotted.properties"}),
       dir + "dotted.properties: the extension '.txt' holds a dot or a space; give the extension "
             "alone, as txt"},
      {with({"--file-associations", dir + "lnk.properties"}),
       dir + "lnk.properties: the extension 'LNK' is Windows' own (programs, scripts, shortcuts, "
             "installers and settings), which an app must not register"},
      {with({"--file-associations", dir + "doc.properties", "--file-associations",
             dir + "DOC.properties"}),
       dir + "DOC.properties: the extension 'TVDOC' is " + dir +
           "doc.properties's 'tvdoc' "
           "again, as Windows ignores case"},
      {{"--name", "Demo", "--app-image", "img"},
       "--app-image needs --type zip or msi: the image is there already"},
      {{"--name", "Demo", "--app-image", "img", "--type", "zip", "--main-jar", "a.jar"},
       "--main-jar: not with --app-image, which is packed as it is"},
      {with({"--launcher-as-service", "--type", "msi", "--vendor", "V"}),
       "--launcher-as-service needs --win-per-machine-install: a service is installed for the "
       "whole machine, never for one user"},
      {with({"--launcher-as-service", "--win-console"}),
       "--launcher-as-service and --win-console: the main launcher is a service or a console "
       "program, not both"},
      {with({"--update-url", "https://e.com/r", "--type", "zip", "--vendor", "V"}),
       "--update-url needs --update-key: the ECDSA P-256 key (PEM) that signs releases; make "
       "one with openssl ecparam -name prime256v1 -genkey -out key.pem"},
      {with({"--update-key", "k.pem", "--type", "zip"}),
       "--update-key needs --update-url: where the app finds its releases"},
      {with({"--update-url", "http://example.com/r"}),
       "--update-url http://example.com/r: is plain http://, which anyone on the way can change; "
       "use https:// (http:// is for a loopback host only: 127.0.0.1, localhost or [::1])"},
      {with({"--update-url", "ftp://e.com/"}), "--update-url ftp://e.com/: is no https:// URL"},
      {with({"--update-url", "http://localhost:8/r", "--update-key", "k.pem"}),
       "--update-url needs --type zip or msi: a release is served as a package beside its feed"},
      {with({"--update-url", "https://e.com/", "--update-key", "k.pem", "--type", "msi", "--vendor",
             "V", "--win-per-machine-install"}),
       "--update-url is not for --win-per-machine-install: an update there needs an "
       "administrator; update per-machine installs through your deployment"},
      {with({"--update-url", "https://e.com/", "--update-key", "k.pem", "--type", "zip"}),
       "--update-url needs --vendor: administrators turn updates off under "
       "HKLM\\Software\\Policies\\VENDOR\\NAME"},
      {with({"--update-url", "https://e.com/", "--update-key", "k.pem", "--type", "zip",
             "--launcher-as-service"}),
       "--update-url is not for --launcher-as-service: the service twin does not check for "
       "updates; update a service through your deployment"},
      {with({"--update-interval", "0"}),
       "--update-interval 0: give a whole number of hours from 1 to 8760"},
  };
  for (const row& r : rows) {
    pack_options options;
    std::string problem;
    EXPECT_FALSE(parse_pack_options(r.given, &options, &problem)) << r.problem;
    EXPECT_EQ(problem, r.problem);
  }
}

TEST(pack_options, values_add_up) {
  pack_options o;
  std::string problem;
  ASSERT_TRUE(parse_pack_options(
      with({"--add-modules", "jdk.charsets,java.sql", "--add-modules", "jdk.localedata",
            "--jlink-options", " --strip-debug\t--compress=1 ", "--java-options", "-Xmx1g",
            "--java-options", "a b", "--name", "Console.2", "--win-console", "--type", "zip"}),
      &o, &problem))
      << problem;
  EXPECT_EQ(o.add_modules, (args{"jdk.charsets", "java.sql", "jdk.localedata"}));
  EXPECT_EQ(o.jlink_options, (args{"--strip-debug", "--compress=1"}));
  EXPECT_TRUE(o.jlink_options_given);
  EXPECT_EQ(o.java_options, (args{"-Xmx1g", "a b"}));
  EXPECT_EQ(o.name, "Console.2");
  EXPECT_EQ(o.app_version, "1.0");
  EXPECT_TRUE(o.win_console);
  EXPECT_EQ(o.type, output_type::zip);
}

// The upgrade code is taken in any case and kept in MSI's form; the limits themselves pass.
TEST(pack_options, installer_values) {
  pack_options o;
  std::string problem;
  ASSERT_TRUE(parse_pack_options(
      with({"--type", "msi", "--vendor", "Acme, Inc.", "--app-version", "255.255.65535",
            "--win-upgrade-uuid", "6c1d52a4-7e0b-4a4c-9f3b-2b8e51d0c7a9"}),
      &o, &problem))
      << problem;
  EXPECT_EQ(o.installer.upgrade_uuid, "{6C1D52A4-7E0B-4A4C-9F3B-2B8E51D0C7A9}");
}

}  // namespace
