#!/usr/bin/env python3
"""End-to-end tests of tavrin.exe under Wine.

Each row of CASES lays out a case directory C:\\t\\<name>\\ in a private Wine prefix, copies
a launcher build there, and has the driver (e2e_driver.exe) start it with an exact command
line, directory, environment and registry. The driver answers the launcher's message boxes
and reports them; a stand-in java.exe reports how the launcher started it. The runner then
compares boxes, exit code, child command line, log file and wait behaviour with the row.

After the x64 launcher has run a row, the Linux tavrin-check runs on the same case
directory, and its command line (or error text) must equal what the launcher gave; a few
rows also run tavrin-check.exe under Wine, which must print the same bytes.

Usage: python3 tests/e2e/run.py [--all] [NAME_PART ...]
  --all       also run rows tagged with `needs` (features the launcher may not have yet)
  NAME_PART   run only rows whose name contains one of these
Environment: TAVRIN_E2E_DIST (default dist/, holding x64/ and x86/tavrin.exe) and
TAVRIN_E2E_HELPERS (default build/win-x64/tests/e2e) point at other builds;
TAVRIN_E2E_WORK (default build/e2e) is where the prefix and Wine's output go;
TAVRIN_E2E_CHECK (default dist/linux-x64/tavrin-check) is the check tool.
"""

import difflib
import json
import os
import re
import select
import shutil
import subprocess
import sys
import time
import traceback
from xml.etree import ElementTree
from pathlib import Path

from host import x86_unavailable

ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("TAVRIN_E2E_DIST", ROOT / "dist"))
HELPERS = Path(os.environ.get("TAVRIN_E2E_HELPERS", ROOT / "build/win-x64/tests/e2e"))
WORK = Path(os.environ.get("TAVRIN_E2E_WORK", ROOT / "build/e2e"))
PREFIX = WORK / "prefix"
CHECK = Path(os.environ.get("TAVRIN_E2E_CHECK", ROOT / "dist/linux-x64/tavrin-check"))
OLD_MTIME = 1_300_000_000  # given to every laid-out file, so a rewrite shows

# ---------------------------------------------------------------------------------------
# Row vocabulary

JAVA = "copy of the stand-in java.exe"  # file content: the stand-in program
JAVA_CONSOLE = "copy of the console stand-in"  # file content: its console subsystem build
DIR = "empty directory"  # file content: a directory
NO_LOG = "no log file"  # log expectation: the log file must not exist


class Starts(str):
    """Log expectation: the log must begin with this text."""


class Contains(str):
    """Log expectation: the log must hold this text somewhere."""


JRE = "SOFTWARE\\JavaSoft\\Java Runtime Environment"
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7


def SZ(text):
    """REG_SZ with its terminating null; text may hold {dir}."""
    return (REG_SZ, text + "\0")


def SZ_RAW(text):
    """REG_SZ stored without a terminating null ("" gives a value of size 0)."""
    return (REG_SZ, text)


def EXPAND_SZ(text):
    return (REG_EXPAND_SZ, text + "\0")


def DWORD(n):
    return (REG_DWORD, n.to_bytes(4, "little"))


def BIN(data):
    return (REG_BINARY, bytes(data))


def reg(key, name, value, view="64"):
    """A registry value under HKLM in view "64", "32" or "both"; value is (type, data),
    data being exact bytes or text stored as UTF-16LE."""
    return (view, key, name, value[0], value[1])


def jre(version, home=None, micro=None, view="64"):
    """A Java Runtime Environment\\<version> key with JavaHome and MicroVersion strings."""
    key = JRE + "\\" + version
    values = [("JavaHome", home), ("MicroVersion", micro)]
    return [reg(key, n, SZ(v), view) for n, v in values if v is not None]


def err(text):
    """The launcher's error box."""
    return ("Error", text)


def syserr(code):
    """What the launcher shows for a system error: Wine's own text for the code (the
    driver asks FormatMessageW), a space and the code."""
    return f"{{sys:{code}}} (error {code})"


KEYS = {"params", "exe", "subdir", "param_name", "log_name", "files", "reg", "env", "args", "cmd",
        "cwd", "archs", "exit", "boxes", "child", "waits", "child_exit", "log", "untouched",
        "only_files", "needs", "launcher", "stdin", "stdout", "stderr", "canary", "flags",
        "merged", "console_text", "kill", "image", "dir"}


def case(name, **row):
    """A row. Keys (all optional but name):
    params      bytes of the parameter file, None for none (placeholders {dir}, {exe}), or
                a function giving them (for large files, made only when the row runs)
    exe         launcher copy name in the case directory, default app.exe
    subdir      the case directory is C:\\t\\<name>\\<subdir> instead of C:\\t\\<name>
    param_name  parameter file name, default <exe stem>.tavrin (log_name: .tavrin_log)
    files       {relative or C:\\ path: bytes | function | JAVA | JAVA_CONSOLE | DIR}; all of
                C:\\t is fresh
    reg         registry values from reg()/jre(); HKLM\\SOFTWARE\\JavaSoft is cleared first
    env         {name: value | None to remove}; VERBOSE_TAVRIN is unset unless given
    args        text after the quoted launcher path on the command line
    cmd         the whole command line instead (may name the program any way)
    cwd         current directory, default {dir}
    archs       launcher builds to run, default ("x64", "x86")
    exit        expected exit code (required)
    boxes       expected message boxes, err(text) or (caption, text)
    child       None (no child) or {argv, cmd, argv_crt (default argv), exe (the program
                that must have started, default argv[0]), cwd, env: {n: v|None},
                console_window (its console has a window), console_processes (how many
                share its console, 0 for none), app_id (the AppUserModelID it was started
                with, None for none)}
    waits       with a child: True when the launcher must wait for it, False when not
    child_exit  exit code of the stand-in
    log         NO_LOG, exact text (a \\n without CR before it becomes CR LF, Latin-1),
                bytes, Starts(text),
                Contains(text), or None for unchecked; default NO_LOG without
                VERBOSE_TAVRIN unless the row lays out a log file
    untouched   files whose bytes and time stamp must not change (the launcher's too)
    only_files  True: afterwards the case directory holds only the laid-out files, the
                launcher, its parameter file and (when one is expected) its log
    needs       a feature tag; such rows are skipped unless run with --all
    launcher    "gui" (tavrin.exe, the default), "console" (tavrin-console.exe) or "service"
                (tavrin-service.exe): these two get files as standard input, output and error
    stdin       console: bytes of its standard input (default empty)
    stdout, stderr  console: the exact bytes expected there (placeholders {dir}, {exe}),
                or text, line ends made CR LF as in the log, in UTF-8
    canary      True: the launcher inherits a pipe's write end, which its child must not
    flags       creation flags the driver adds for the launcher (DETACHED_PROCESS)
    merged      console: standard output and error are one handle (stdout holds both)
    console_text  console: standard error is a console opened for writing only; the text
                expected on it (lines end in \\n)
    kill        True: the launcher is killed (exit code 9) once its child has started; the
                child must end with it, never finishing
    image       a local folder laid out as the case directory, exe included (an app that
                tavrin-pack wrote); no launcher build is copied then
    dir         the case directory is this folder of the prefix, where the program `exe` is
                installed already; no launcher build is copied there
    """
    unknown = set(row) - KEYS
    assert not unknown and "exit" in row, f"row {name}: unknown keys {unknown} or no exit"
    row.setdefault("exe", "app.exe")
    stem = row["exe"][:-4] if row["exe"].lower().endswith(".exe") else row["exe"]
    row.setdefault("param_name", stem + ".tavrin")
    row.setdefault("log_name", stem + ".tavrin_log")
    row.setdefault("files", {})
    if "log" not in row:
        verbose = "VERBOSE_TAVRIN" in row.get("env", {})
        row["log"] = None if verbose or row["log_name"] in row["files"] else NO_LOG
    return dict(name=name, **row)


# ---------------------------------------------------------------------------------------
# The table

PARAM = "{dir}\\app.tavrin"
LOG_HEAD = "Quorbel tavrin version 1.0.4\nLoading parameter file\n'" + PARAM + "'\n\n"
LOADED = LOG_HEAD + "Parameter file\n'" + PARAM + "'\nloaded\n\n"
EMPTY = "Parameter file\n'" + PARAM + "'\nis empty"
VERBOSE = {"VERBOSE_TAVRIN": ""}
SIMPLE = b"jre\\bin\\java.exe -cp lib\\a.jar Main arg1"
SIMPLE_FILES = {"jre\\bin\\java.exe": JAVA, "lib\\a.jar": b"PK"}
SIMPLE_ARGV = ["{dir}\\jre\\bin\\java.exe", "-cp", "{dir}\\lib\\a.jar", "Main", "arg1", "x", "y z"]
SIMPLE_CHILD = dict(
    cmd='{dir}\\jre\\bin\\java.exe -cp "{dir}\\lib\\a.jar" Main arg1 x "y z"', argv=SIMPLE_ARGV
)

CASES = [
    # The parameter file cannot be read or holds nothing.
    case("no_param_file", params=None, exit=2,
         boxes=[err("Cannot open parameter file\n'" + PARAM + "':\nerrno=2")]),
    case("empty_param_file", params=b"", exit=2, boxes=[err(EMPTY)]),
    case("bom_only_param_file", params=b"\xef\xbb\xbf", exit=2, boxes=[err(EMPTY)]),
    # The parameter file is found from the launcher's own path, whatever the command line.
    case("param_path_from_module", params=None, cmd="app x", exit=2,
         boxes=[err("Cannot open parameter file\n'" + PARAM + "':\nerrno=2")]),
    case("non_ascii_launcher_name", exe="pr\u00fcf\u20ac\U0001f600.exe", params=b"", exit=2,
         boxes=[err("Parameter file\n'{dir}\\pr\u00fcf\u20ac\U0001f600.tavrin'\nis empty")]),
    # The log: written only with VERBOSE_TAVRIN, even when empty, and never touched without.
    case("log_empty_param_file", params=b"", env=VERBOSE, exit=2, boxes=[err(EMPTY)],
         log=LOG_HEAD + EMPTY + "\n\n"),
    case("log_whatever_value", params=b"", env={"VERBOSE_TAVRIN": "0"}, exit=2,
         boxes=[err(EMPTY)], log=LOG_HEAD + EMPTY + "\n\n"),
    case("no_log_keeps_old_log", params=b"", exit=2, boxes=[err(EMPTY)],
         files={"app.tavrin_log": b"old log\r\n"}, untouched=["app.tavrin_log"]),
    case("log_valid_param_file", params=SIMPLE, files=SIMPLE_FILES, env=VERBOSE,
         args=' x "y z"', exit=0, child=SIMPLE_CHILD, log=Starts(LOADED)),
    # Starting Java.
    case("simple_launch", params=SIMPLE, files=SIMPLE_FILES, args=' x "y z"', exit=0,
         child=dict(SIMPLE_CHILD, app_id=None), waits=True, child_exit=3),
    case("launch_from_bare_command_line", params=SIMPLE, files=SIMPLE_FILES, cmd='app x "y z"',
         exit=0, child=SIMPLE_CHILD),
    case("start_does_not_wait", params=b"start " + SIMPLE, files=SIMPLE_FILES,
         args=' x "y z"', exit=0, child=SIMPLE_CHILD, waits=False),
]


# ---------------------------------------------------------------------------------------
# Row helpers shared by the groups below


def utf8(text):
    """Parameter file bytes; lone surrogates are kept (as CESU-style bytes)."""
    return text.encode("utf-8", "surrogatepass")


def quote(word):
    """The word in double quotes as the launcher's splitter reads it back: quotes escaped,
    backslash runs doubled before a quote and at the end."""
    out, run = '"', 0
    for c in word:
        if c == "\\":
            run += 1
            continue
        out += "\\" * (2 * run + 1) + c if c == '"' else "\\" * run + c
        run = 0
    return out + "\\" * (2 * run) + '"'


def nest(length):
    """A relative path of exactly `length` characters, in directory names of about 200
    (Unix allows 255 bytes a name)."""
    path = (("d" * 200 + "\\") * (length // 201 + 1))[:length]
    return path[:-1] + "e" if path.endswith("\\") else path


HEAD = "jre\\bin\\java.exe -cp lib\\a.jar Main "
HEAD_ARGV = ["{dir}\\jre\\bin\\java.exe", "-cp", "{dir}\\lib\\a.jar", "Main"]


def starts(name, text, argv, head=HEAD_ARGV, files=SIMPLE_FILES, child=None, **row):
    """A row whose stand-in starts: the parameter text and the child's arguments after
    `head`; child adds expectations (cmd, exe, cwd)."""
    return case(name, params=utf8(text) if isinstance(text, str) else text, files=files, exit=0,
                child=dict(argv=head + list(argv), **(child or {})), **row)


def syntax(name, text, item, **row):
    return case(name, params=text, files=SIMPLE_FILES, exit=2, boxes=[err(
        "Syntax error in parameter file\n'" + PARAM + "':\nexpected " + item)], **row)


def cannot_execute(command, code):
    return err("Cannot execute command\n'" + command[:3000] + "':\n" + syserr(code))


def dont_find(lower_upper="1.5.0-1.7.0"):
    return err(f"Don't find a Java[tm] runtime with version in the {lower_upper} range")


# ---------------------------------------------------------------------------------------
# Command text: every word reaches the child exactly, through CommandLineToArgvW and the C
# runtime's argv alike, from the parameter file and from the launcher's command line.

WORDS = ["a b", "a\tb", "tab\t", 'say "hi"', 'a\\"b', 'x\\\\\\"y', "C:\\dir\\", "\\",
         "\\\\server\\share\\x", "", "mid\\\\dle", "Z\u00fcrich \u20ac \U0001f600", "lf\nin\rword",
         "#not a comment", "-cp", "\u00a0nbsp\x0cff", "w" * 5000, 'q "\\' * 300, "end\\\\"]
# The command line is UTF-16 as given, so lone surrogates pass too.
COMMAND_WORDS = WORDS + ["a\udc80b", "\ud800"]

CASES += [
    starts("words_from_file", HEAD + " ".join(map(quote, WORDS)) + "\n", WORDS),
    starts("words_from_command_line", HEAD, COMMAND_WORDS,
           args=" " + " ".join(map(quote, COMMAND_WORDS)) + " "),
    # The splitter's forms in the file: quoted stretches inside words, escapes, comments.
    starts("word_forms_in_file",
           HEAD + 'ab"c d"e \\\\"a b" "a""b" "abc"#x a#b "#x" #comment "x\r\n'
           '\\"q a\\\\b "multi\r\nline" "" -\x0c- "open end',
           ["abc de", "\\a b", "ab", "abc#x", "a#b", "#x", '"q', "a\\\\b", "multi\r\nline", "",
            "-\x0c-", "open end"]),
    # On the command line an empty word at the very end, and a word starting with #
    # (a comment to the end), add nothing.
    starts("command_line_empty_last_word", HEAD, ["x"], args=' x ""'),
    starts("command_line_hash_word", HEAD, ["x"], args=' x #y "z"'),
    # Keywords and launcher-like words after the class name are plain arguments.
    starts("grammar_words_as_arguments", "jre\\bin\\java.exe -CP --cp -cp lib\\a.jar Main start "
           "-cp java -classpath", ["start", "-cp", "java", "-classpath"],
           head=["{dir}\\jre\\bin\\java.exe", "-CP", "--cp", "-cp", "{dir}\\lib\\a.jar", "Main"]),
]

# Variable references in Java options and file arguments; the class name, the class path
# and the command line's arguments are used as written.
VARIABLES_ENV = {"DEMO_HOME": "D:\\Demo Data", "EMPTY": "", "RECUR": "%DEMO_HOME%", "A": "1",
                 "B": "2", "UNSET": None}
CASES += [
    starts("variables",
           "jre\\bin\\java.exe -Dhome=%DEMO_HOME% -Dx=%UNSET% -cp lib\\a.jar Main "
           "%DEMO_HOME% %demo_home% -De=%EMPTY% %EMPTY|=dflt% %UNSET|=lit% %UNSET|@conf% "
           "%UNSET|@% %UNSET|@E:\\conf% %DEMO_HOME|@conf% %UNSET|=a|@b% %UNSET|@a|=b% "
           "%UNSET|=|@x% 100% a%%b %%% %UNSET% %RECUR% %A%x%B% %UNSET|=% 50%%A%",
           ["D:\\Demo Data", "D:\\Demo Data", "-De=", "", "lit", "{dir}\\conf", "{dir}\\",
            "E:\\conf", "D:\\Demo Data", "a|@b", "b", "|@x", "100%", "a%b", "%%", "",
            "%DEMO_HOME%", "1x2", "", "50%A%"],
           head=["{dir}\\jre\\bin\\java.exe", "-Dhome=D:\\Demo Data", "-Dx=", "-cp",
                 "{dir}\\lib\\a.jar", "Main"],
           env=VARIABLES_ENV,
           child=dict(cmd='{dir}\\jre\\bin\\java.exe "-Dhome=D:\\Demo Data" -Dx= -cp '
                      '"{dir}\\lib\\a.jar" Main "D:\\Demo Data" "D:\\Demo Data" -De= "" lit '
                      '{dir}\\conf "{dir}\\\\" E:\\conf "D:\\Demo Data" a|@b b |@x 100% a%b %% "" '
                      '%DEMO_HOME% 1x2 "" 50%A%')),
    starts("variables_not_in_other_words", "jre\\bin\\java.exe -cp lib\\%A%.jar;lib\\a.jar %A%",
           ["%DEMO_HOME%"], head=["{dir}\\jre\\bin\\java.exe", "-cp",
                                  "{dir}\\lib\\%A%.jar;{dir}\\lib\\a.jar", "%A%"],
           files={**SIMPLE_FILES, "lib\\%A%.jar": b"PK"}, env=VARIABLES_ENV,
           args=" %DEMO_HOME%"),
]


def class_path(name, word, kept, files=(), **row):
    """The class path word, the files that exist besides jre\\bin\\java.exe, and the one
    argument the child must get for it."""
    return starts(name, "jre\\bin\\java.exe -cp " + word + " Main", [],
                  head=["{dir}\\jre\\bin\\java.exe", "-cp", kept, "Main"],
                  files={"jre\\bin\\java.exe": JAVA, **{f: DIR if f.endswith("\\") else b"PK"
                                                        for f in files}}, **row)


CASES += [
    class_path("class_path_filtered",
               "lib\\missing.jar;;lib\\a.jar;{dir}\\abs.jar;classes;lib\\*;lib\\a.jar;",
               "{dir}\\lib\\a.jar;{dir}\\abs.jar;{dir}\\classes;{dir}\\lib\\a.jar",
               ["lib\\a.jar", "abs.jar", "classes\\"]),
    class_path("class_path_empty", '""', "", child=dict(
        cmd='{dir}\\jre\\bin\\java.exe -cp "" Main')),
    class_path("class_path_all_missing", "x.jar;;y\\", ""),
    # A directory entry ending in a backslash: the run is doubled before the closing quote.
    class_path("class_path_trailing_backslash", "lib\\a.jar;classes\\\\",
               "{dir}\\lib\\a.jar;{dir}\\classes\\\\", ["lib\\a.jar", "classes\\"],
               child=dict(cmd='{dir}\\jre\\bin\\java.exe -cp "{dir}\\lib\\a.jar;'
                          '{dir}\\classes\\\\\\\\" Main')),
    class_path("class_path_spaces", quote("lib dir\\b c.jar;my classes\\"),
               "{dir}\\lib dir\\b c.jar;{dir}\\my classes\\", ["lib dir\\b c.jar", "my classes\\"]),
]

# ---------------------------------------------------------------------------------------
# Runtime search in the registry: views, order, ranges, value types.

RUNTIMES = (jre("1.5", "{dir}\\jre5", "0") + jre("1.6", "{dir}\\jre6", "3") +
            jre("1.7", "{dir}\\jre7", "0"))
RUNTIME_FILES = {f"jre{n}\\bin\\{p}.exe": JAVA for n in (5, 6, 7) for p in ("java", "javaw")}
RUNTIME_FILES["lib\\a.jar"] = b"PK"
K16 = JRE + "\\1.6"
MICRO0, HOME6 = SZ("0"), SZ("{dir}\\jre6")


def found(name, word, program, reg=RUNTIMES, **row):
    """The launcher word leads to `program` (relative to the case directory)."""
    row.setdefault("files", RUNTIME_FILES)
    return starts(name, word + " -cp lib\\a.jar Main", [], reg=reg,
                  head=["{dir}\\" + program, "-cp", "{dir}\\lib\\a.jar", "Main"], **row)


def not_found(name, word, lower_upper="1.5.0-1.7.0", reg=RUNTIMES, why=None, **row):
    """No runtime for the word; `why` is the log's reason for the 1.6.0 candidate."""
    if why:
        row.update(env=VERBOSE, log=Contains(f"Don't find Java[tm] version 1.6.0: {why}"))
    return case(name, params=utf8(word + " -cp lib\\a.jar Main"), files=RUNTIME_FILES, reg=reg,
                exit=2, boxes=[dont_find(lower_upper)], **row)


def bad_version(name, word, kind, shown, archs=("x64",), **row):
    """A version text refused before any search (the same on both builds)."""
    row.setdefault("files", RUNTIME_FILES)
    return case(name, params=utf8(word + " -cp lib\\a.jar Main"), reg=RUNTIMES, exit=2,
                boxes=[err(f"{kind} Java[tm] version '{shown}'")], archs=archs, **row)


def values16(name, micro, home, why=None):
    """java[1.6.0] with key 1.6 holding these MicroVersion and JavaHome values."""
    values = [reg(K16, "MicroVersion", micro), reg(K16, "JavaHome", home)]
    if why is None:
        return found(name, "java[1.6.0]", "jre6\\bin\\java.exe", reg=values)
    return not_found(name, "java[1.6.0]", "1.6.0-1.6.0", reg=values, why=why)


CASES += [
    # Views: the 64-bit view first, then the build's default view.
    found("view_64", "java", "jre6\\bin\\java.exe", reg=jre("1.6", "{dir}\\jre6", "0")),
    not_found("view_32_only_x64", "java", reg=jre("1.6", "{dir}\\jre6", "0", "32"),
              archs=("x64",)),
    found("view_32_only_x86", "java", "jre6\\bin\\java.exe",
          reg=jre("1.6", "{dir}\\jre6", "0", "32"), archs=("x86",)),
    found("view_64_preferred", "java", "jre6\\bin\\java.exe",
          reg=jre("1.6", "{dir}\\jre6", "0", "64") + jre("1.6", "{dir}\\jre5", "0", "32")),
    found("view_newer_in_32_x86", "java", "jre7\\bin\\java.exe",
          reg=jre("1.6", "{dir}\\jre6", "0", "64") + jre("1.7", "{dir}\\jre7", "0", "32"),
          archs=("x86",)),
    found("view_newer_in_32_x64", "java", "jre6\\bin\\java.exe",
          reg=jre("1.6", "{dir}\\jre6", "0", "64") + jre("1.7", "{dir}\\jre7", "0", "32"),
          archs=("x64",)),
    # JavaHome is read in the view whose MicroVersion answered, and nowhere else.
    not_found("view_home_only_in_32", "java", why="no JavaHome",
              reg=[reg(K16, "MicroVersion", MICRO0, "64"), reg(K16, "JavaHome", HOME6, "32")]),
    found("view_home_from_default_view", "java", "jre5\\bin\\java.exe", archs=("x86",),
          reg=[reg(K16, "MicroVersion", MICRO0, "32"), reg(K16, "JavaHome", HOME6, "64"),
               reg(K16, "JavaHome", SZ("{dir}\\jre5"), "32")]),
    # A MicroVersion of another type in the 64-bit view is not retried in the other view.
    not_found("view_64_wrong_type_no_retry", "java", why="no MicroVersion",
              reg=[reg(K16, "MicroVersion", DWORD(0), "64"),
                   *jre("1.6", "{dir}\\jre6", "0", "32")]),
    # Order and ranges over 1.5.0, 1.6.3 and 1.7.0.
    found("search_newest_first", "java", "jre7\\bin\\java.exe"),
    found("search_javaw", "javaw", "jre7\\bin\\javaw.exe"),
    found("search_open_range", "java[1.6.0+]", "jre7\\bin\\java.exe"),
    found("search_span", "javaw[1.5.0-1.6.5]", "jre6\\bin\\javaw.exe"),
    found("search_micro_span", "java[1.6.0-1.6.20]", "jre6\\bin\\java.exe"),
    found("search_exact", "java[1.5.0]", "jre5\\bin\\java.exe"),
    found("search_text_after_range", "java[1.5.0-1.6.2]xyz", "jre5\\bin\\java.exe"),
    found("search_javaw_from_dir_name", "C:\\nowhere\\javaw-tools\\java.exe",
          "jre7\\bin\\javaw.exe"),
    not_found("search_exact_missing", "java[1.6.0]", "1.6.0-1.6.0"),
    not_found("search_above_default", "java[1.8.0+]", "1.8.0-1.8.0"),
    not_found("search_nothing_registered", "java", reg=[]),
    not_found("search_absolute_word_missing", "C:\\nowhere\\java.exe", reg=[]),
    not_found("search_at_candidate_limit", "java[1.1.1-1.1.10000]", "1.1.1-1.1.10000",
              archs=("x64",)),
    # A word naming an existing file is used without reading its version text.
    starts("existing_word_version_unread", "jre\\bin\\java.exe[garbage] -cp lib\\a.jar Main", []),
    # Version texts refused, in every shape of message.
    bad_version("version_unclosed", "java[1.6.0", "Malformed", "[1.6.0"),
    bad_version("version_unclosed_file_exists", "jre\\bin\\java.exe[1.6.0", "Malformed", "[1.6.0",
                files=SIMPLE_FILES),
    bad_version("version_empty", "java[]", "Malformed", "[]"),
    bad_version("version_one_field", "java[16]", "Malformed", "16"),
    bad_version("version_six_fields", "java[1.5.0-1.6]", "Malformed", "1.5.0-1.6"),
    bad_version("version_minor_zero", "java[1.0.0]", "Invalid", "1.0.0"),
    bad_version("version_dash_alone", "java[1.6.0-]", "Invalid", "1.6.0-"),
    bad_version("version_reversed", "java[1.6.0-1.5.0]", "Invalid", "1.6.0-1.5.0"),
    bad_version("version_plus_upper", "java[1.5.0+1.6.0]", "Invalid", "1.5.0+1.6.0"),
    bad_version("version_too_wide", "java[1.5.0-101.0.0]", "Invalid", "1.5.0-101.0.0"),
    bad_version("version_too_many_micros", "java[1.1.0-1.1.10000]", "Invalid", "1.1.0-1.1.10000"),
    bad_version("version_major_beyond_32_bits", "java[4294967297.6.0]", "Invalid",
                "4294967297.6.0", archs=("x64", "x86")),
    bad_version("version_micro_beyond_32_bits", "java[1.6.0-1.6.99999999999]", "Invalid",
                "1.6.0-1.6.99999999999", archs=("x64", "x86")),
    # Registry values of every type and size.
    values16("micro_dword", DWORD(0), HOME6, "no MicroVersion"),
    values16("micro_expand_sz", EXPAND_SZ("0"), HOME6, "no MicroVersion"),
    values16("micro_binary_size_0", BIN(b""), HOME6, "no MicroVersion"),
    values16("micro_sz_size_0", SZ_RAW(""), HOME6, "incompatible MicroVersion"),
    values16("micro_sz_unterminated", SZ_RAW("0"), HOME6),
    values16("micro_text_forms", SZ("  +0 update 12"), HOME6),
    values16("micro_beyond_32_bits", SZ("4294967296"), HOME6, "incompatible MicroVersion"),
    values16("home_sz_size_0", MICRO0, SZ_RAW(""), "no JavaHome"),
    values16("home_sz_unterminated", MICRO0, SZ_RAW("{dir}\\jre6")),
    values16("home_binary", MICRO0, BIN(b"C\0:\0\\\0\0\0"), "no JavaHome"),
    values16("home_expand_sz", MICRO0, EXPAND_SZ("{dir}\\jre6"), "no JavaHome"),
    values16("home_multi_sz", MICRO0, (REG_MULTI_SZ, "{dir}\\jre6\0\0"), "no JavaHome"),
    values16("home_dword", MICRO0, DWORD(1), "no JavaHome"),
    # A relative home would name a program in the current directory, which holds one here.
    values16("home_relative", MICRO0, SZ("jre6"), "no JavaHome"),
]


def long_home(name):
    """A JavaHome of 2,000 characters: only its first 1,000 are used, naming nothing."""
    d = "C:\\t\\" + name
    home = d + "\\" + nest(2000 - len(d) - 1)
    command = home[:1000] + '\\bin\\java.exe -cp "' + d + '\\lib\\a.jar" Main'
    return case(name, params=b"java -cp lib\\a.jar Main", files={"lib\\a.jar": b"PK"},
                reg=jre("1.6", home, "0"), exit=2, boxes=[cannot_execute(command, 2)])


CASES.append(long_home("home_2000_chars"))

# ---------------------------------------------------------------------------------------
# The whole launcher

DEMO = b"""start                      #do not wait
jre\\bin\\javaw.exe
-Xmx256m -Ddemo.home=%DEMO_HOME%
-classpath lib\\demo.jar;lib\\extra.jar
demo.Main
--title "Demo Report"
"""


def worked_example(name, subdir=None):
    """The documented example, in a directory whose name may hold a space."""
    program = "{dir}\\jre\\bin\\javaw.exe"
    shown = f'"{program}"' if subdir and " " in subdir else program
    return case(name, exe="demo.exe", subdir=subdir, params=DEMO,
                files={"jre\\bin\\javaw.exe": JAVA, "lib\\demo.jar": b"PK"},
                env={"DEMO_HOME": "D:\\Demo Data"}, cmd='demo.exe report.txt "two words"',
                exit=0, waits=False, child=dict(
                    cmd=shown + ' -Xmx256m "-Ddemo.home=D:\\Demo Data" -cp "{dir}\\lib\\demo.jar"'
                    ' demo.Main --title "Demo Report" report.txt "two words"',
                    argv=[program, "-Xmx256m", "-Ddemo.home=D:\\Demo Data", "-cp",
                          "{dir}\\lib\\demo.jar", "demo.Main", "--title", "Demo Report",
                          "report.txt", "two words"]))


ELSEWHERE = "{dir}\\elsewhere"
DECOYS = {"elsewhere\\jre\\bin\\java.exe": JAVA, "elsewhere\\lib\\a.jar": b"PK"}
SIMPLE_HEAD = ["{dir}\\jre\\bin\\java.exe", "-cp", "{dir}\\lib\\a.jar", "Main", "arg1"]

CASES += [
    worked_example("worked_example"),
    worked_example("worked_example_space", subdir="Demo Apps"),
    # Waiting: the child's exit code is never the launcher's.
    case("start_child_exit_not_passed", params=b"start " + SIMPLE, files=SIMPLE_FILES,
         args=' x "y z"', exit=0, child=SIMPLE_CHILD, waits=False, child_exit=9),
    # Every syntax error, read back from the real box.
    syntax("syntax_first_word", b"Java -cp lib\\a.jar Main", "start or java or javaw"),
    syntax("syntax_comments_only", b"# nothing\r\n  # here\r\n", "start or java or javaw",
           archs=("x64",)),
    syntax("syntax_start_only", b"start", "java or javaw", archs=("x64",)),
    syntax("syntax_second_start", b"start start jre\\bin\\java.exe -cp lib\\a.jar Main",
           "java or javaw", archs=("x64",)),
    syntax("syntax_no_class_path", b"jre\\bin\\java.exe -Xmx1m Main",
           "-cp or -classpath or a Java[tm] option", archs=("x64",)),
    syntax("syntax_ends_after_cp", b"jre\\bin\\java.exe -cp", "-cp or -classpath",
           archs=("x64",)),
    syntax("syntax_no_class_name", b"jre\\bin\\java.exe -classpath lib\\a.jar",
           "a Java[tm] class name", archs=("x64",)),
    # Whatever names the program on the command line, the parameter file is the one
    # beside the real executable.
    starts("program_name_without_exe", SIMPLE, [], head=SIMPLE_HEAD, cmd="app"),
    starts("program_name_other_file", SIMPLE, ["x", "y z"], head=SIMPLE_HEAD,
           cmd='"C:\\elsewhere\\other.exe" x "y z"'),
    starts("program_name_relative", SIMPLE, ["x"], head=SIMPLE_HEAD, cmd="..\\x\\app.exe x"),
    starts("empty_command_line", SIMPLE, [], head=SIMPLE_HEAD, cmd=""),
    # Relative paths resolve against the launcher's directory, never the current one.
    starts("relative_paths_ignore_cwd", SIMPLE, [], head=SIMPLE_HEAD,
           files={**SIMPLE_FILES, **DECOYS}, cwd=ELSEWHERE, child=dict(cwd=ELSEWHERE)),
    starts("relative_jar_only_in_cwd", SIMPLE, [], files={"jre\\bin\\java.exe": JAVA, **DECOYS},
           head=["{dir}\\jre\\bin\\java.exe", "-cp", "", "Main", "arg1"], cwd=ELSEWHERE),
    case("relative_java_only_in_cwd", params=SIMPLE, files={"lib\\a.jar": b"PK", **DECOYS},
         cwd=ELSEWHERE, exit=2, boxes=[dont_find()]),
    # Names beyond ASCII, in the directory, the launcher, the class path and the words.
    starts("non_ascii_end_to_end", "jre\\bin\\java.exe -Dcity=Z\u00fcrich -cp "
           "lib\\B\u00fccher.jar;\u20ac\\ Main gr\u00f6\u00dfe \U0001f600",
           ["gr\u00f6\u00dfe", "\U0001f600", "\u00fcn\u00ef", "\u20ac"],
           head=["{dir}\\jre\\bin\\java.exe", "-Dcity=Z\u00fcrich", "-cp",
                 "{dir}\\lib\\B\u00fccher.jar;{dir}\\\u20ac\\", "Main"],
           subdir="Z\u00fcrich \u20ac", exe="Gr\u00fc\u00dfe\U0001f600.exe",
           files={"jre\\bin\\java.exe": JAVA, "lib\\B\u00fccher.jar": b"PK", "\u20ac\\": DIR},
           args=" \u00fcn\u00ef \u20ac"),
    # A launcher word naming a file that is no program (Wine answers a directory with
    # "file not found").
    case("word_names_text_file", params=b"java.txt -cp lib\\a.jar Main",
         files={"java.txt": b"not a program", "lib\\a.jar": b"PK"}, exit=2,
         boxes=[cannot_execute('{dir}\\java.txt -cp "{dir}\\lib\\a.jar" Main', 193)]),
    case("word_names_directory", params=b"javadir -cp lib\\a.jar Main",
         files={"javadir\\": DIR, "lib\\a.jar": b"PK"}, exit=2,
         boxes=[cannot_execute('{dir}\\javadir -cp "{dir}\\lib\\a.jar" Main', 2)]),
]

# ---------------------------------------------------------------------------------------
# Hostile inputs: one box and exit 2, or the intended child; never a crash or a hang.

GARBAGE = bytes((i * 37 + 11) % 255 + 1 for i in range(4096))  # no zero byte


def hundred_mb():
    """A valid file whose launcher word is followed by a 100 MB comment."""
    return b"jre\\bin\\java.exe #" + b"x" * 100_000_000 + b"\n-cp lib\\a.jar Main tail"


def long_launcher(name, length, tail="\\app.exe"):
    """Row keys that put the launcher at a path of exactly `length` characters; the
    current directory is C:\\t, as Windows keeps current directories short. Wine 8 starts
    no program at a path of 260 characters or more, so these rows wait for a Wine that
    does."""
    top = "C:\\t\\" + name + "\\"
    subdir = nest(length - len(top) - len(tail))
    assert len(top + subdir + tail) == length
    return top + subdir + tail, dict(name=name, subdir=subdir, cwd="C:\\t",
                                     needs="Wine starting programs at long paths")


def command_of_length(name, length):
    """A row whose command has exactly `length` characters, made long by its last word."""
    d = "C:\\t\\" + name
    head = f'{d}\\jre\\bin\\java.exe -cp "{d}\\lib\\a.jar" Main '
    word = "w" * (length - len(head))
    if length <= 32766:
        return starts(name, HEAD + word, [word])
    return case(name, params=utf8(HEAD + word), files=SIMPLE_FILES, exit=2,
                boxes=[cannot_execute(head + word, 206)])


def class_path_of_length(name, length, absolute=False):
    """A class path entry whose full path has `length` characters, kept up to 1023 (the
    relative one) and dropped beyond, as it then names nothing from C:\\t."""
    d = "C:\\t\\" + name + "\\"
    entry = nest(length - len(d) - len("\\a.jar")) + "\\a.jar"
    if absolute:
        entry = d + entry
    kept = entry if absolute else d + entry if length <= 1023 else ""
    return class_path(name, entry, kept, [entry], cwd="C:\\t")


P1023, AT_1023 = long_launcher("launcher_path_1023", 1023)
P1024, AT_1024 = long_launcher("launcher_path_1024", 1024)
P1020, AT_1020 = long_launcher("log_name_too_long", 1020)
TOO_LONG_DIR = "C:\\t\\command_too_long"
TOO_LONG = (f'{TOO_LONG_DIR}\\jre\\bin\\java.exe -cp "' +
            ";".join([TOO_LONG_DIR + "\\lib"] * 1700) + '" Main')

CASES += [
    syntax("garbage_param_file", GARBAGE, "start or java or javaw"),
    starts("param_file_100_mb", hundred_mb, ["tail"], archs=("x64",)),
    # UTF-16 is read as UTF-8: FF FE become U+FFFD and the first zero byte ends the text.
    syntax("utf16_param_file", "\ufeffjre\\bin\\java.exe -cp lib\\a.jar Main".encode("utf-16-le"),
           "start or java or javaw"),
    # CESU-8 surrogates, overlong and cut sequences load as U+FFFD, as many as Wine's
    # converter makes: one per surrogate's lead pair and trail byte, one per cut sequence.
    starts("malformed_utf8_arguments", utf8(HEAD) + b"\xed\xa0\x80 \xed\xb0\x80x "
           b"\xed\xa0\xbd\xed\xb8\x80 \xc0\xaf \x80 a\xe2\x82",
           ["\ufffd" * 2, "\ufffd" * 2 + "x", "\ufffd" * 4, "\ufffd" * 2, "\ufffd", "a\ufffd"]),
    # At 1023 characters the parameter file name does not fit, so the launcher reads itself
    # (and fails at its first word); no log file can be named, and nothing is written.
    case(**AT_1023, params=SIMPLE, files=SIMPLE_FILES, env=VERBOSE, log=NO_LOG, exit=2,
         boxes=[err(f"Syntax error in parameter file\n'{P1023[:1000]}':\n"
                    "expected start or java or javaw")], only_files=True, untouched=["app.exe"]),
    case(**AT_1024, params=SIMPLE, files=SIMPLE_FILES, exit=2,
         boxes=[err("Cannot get launcher path:\n" + syserr(206))]),
    # At 1020 the parameter file name fits (1023) and the log file name does not: the log
    # goes to standard error and no file is created.
    starts(AT_1020.pop("name"), SIMPLE, [], head=["C:\\t\\java.exe", "-cp", "{dir}\\lib\\a.jar",
                                                    "Main", "arg1"], **AT_1020,
           files={"C:\\t\\java.exe": JAVA, "lib\\a.jar": b"PK"}, env=VERBOSE, log=NO_LOG,
           only_files=True),
    class_path_of_length("class_path_1023", 1023),
    class_path_of_length("class_path_1024", 1024),
    class_path_of_length("class_path_absolute_1024", 1024, absolute=True),
    command_of_length("command_32766", 32766),
    command_of_length("command_32767", 32767),
    case("command_too_long", params=utf8("jre\\bin\\java.exe -cp " + "lib;" * 1700 + " Main"),
         files={"jre\\bin\\java.exe": JAVA, "lib\\": DIR}, exit=2,
         boxes=[cannot_execute(TOO_LONG, 206)]),
]

# ---------------------------------------------------------------------------------------
# Security properties. Besides these rows: every row checks which program started (so a
# decoy can't pass for the real one), and that the JavaSoft registry tree is unchanged.

PATH_DECOY = {"PATH": "{dir}\\decoy;C:\\windows\\system32;C:\\windows"}
DECOY_FILES = {"decoy\\java.exe": JAVA, "decoy\\javaw.exe": JAVA, "decoy\\java": JAVA}

CASES += [
    # The program is the file named or found, never one from PATH.
    starts("path_decoy_registered_wins", "java -cp lib\\a.jar Main", [],
           head=["{dir}\\jre6\\bin\\java.exe", "-cp", "{dir}\\lib\\a.jar", "Main"],
           files={**RUNTIME_FILES, **DECOY_FILES}, reg=jre("1.6", "{dir}\\jre6", "0"),
           env=PATH_DECOY),
    case("path_decoy_nothing_registered", params=b"java -cp lib\\a.jar Main",
         files={"lib\\a.jar": b"PK", **DECOY_FILES}, env=PATH_DECOY, exit=2,
         boxes=[dont_find()]),
    # A home with spaces is quoted, so the Program.exe an unquoted line would run stays idle.
    found("home_with_spaces_quoted", "java", "Program Files\\Java\\bin\\java.exe",
          reg=jre("1.6", "{dir}\\Program Files\\Java", "0"),
          files={"Program Files\\Java\\bin\\java.exe": JAVA, "Program.exe": JAVA,
                 "lib\\a.jar": b"PK"},
          child=dict(cmd='"{dir}\\Program Files\\Java\\bin\\java.exe" -cp '
                     '"{dir}\\lib\\a.jar" Main')),
    # The log writes its own file and no other.
    starts("log_writes_only_its_file", SIMPLE, [], head=SIMPLE_HEAD, env=VERBOSE,
           log=Starts(LOADED), only_files=True),
]

# ---------------------------------------------------------------------------------------
# The console twin: the same launcher, its standard handles handed to the program, the
# program's exit code passed on, errors on standard error instead of a box.

LAUNCHERS = {"gui": "tavrin.exe", "console": "tavrin-console.exe",
             "service": "tavrin-service.exe"}
STDIO = {"STANDIN_STDIO": "1"}


def console(name, **row):
    return case(name, launcher="console", **row)


def console_exit(code):
    return console(f"console_exit_{code}", params=SIMPLE, files=SIMPLE_FILES, args=' x "y z"',
                   exit=code, child=SIMPLE_CHILD, child_exit=code)


CASES += [console_exit(code) for code in (0, 1, 7, 255, 0xC000013A)] + [
    # The child gets the standard handles and no other handle of the launcher's.
    console("console_start_exits_0", params=b"start " + SIMPLE, files=SIMPLE_FILES,
            args=' x "y z"', exit=0, child=SIMPLE_CHILD, waits=False, child_exit=9,
            canary=True),
    console("console_standard_handles", params=SIMPLE, files=SIMPLE_FILES, env=STDIO,
            args=' x "y z"', stdin=b"typed\r\n", exit=0, child=SIMPLE_CHILD,
            stdout=b"out:typed\r\n", stderr=b"err:typed\r\n"),
    console("console_error_on_stderr", params=None, exit=2, stdout=b"",
            stderr=b"Cannot open parameter file\r\n'{dir}\\app.tavrin':\r\nerrno=2\r\n"),
    console("console_error_utf8", exe="pr\u00fcf\u20ac\U0001f600.exe", params=b"", exit=2,
            stderr="Parameter file\r\n'{dir}\\pr\u00fcf\u20ac\U0001f600.tavrin'\r\nis empty\r\n"
            .encode()),
    console("console_error_logged", params=b"", env=VERBOSE, exit=2, log=LOG_HEAD + EMPTY + "\n\n",
            stderr=("Parameter file\r\n'{dir}\\app.tavrin'\r\nis empty\r\n").encode()),
]

# A console java.exe. The driver has no console under Wine, so neither has the launcher
# unless a row gives it one.
CONSOLE_FILES = {"jre\\bin\\java.exe": JAVA_CONSOLE, "lib\\a.jar": b"PK"}
DETACHED_PROCESS, CREATE_NO_WINDOW = 0x8, 0x8000000
BAD_EXE = ("Cannot execute command\n'" + SIMPLE_CHILD["cmd"] + "':\n{sys:193} (error 193)\n")

CASES += [
    # Without a console the child gets one of its own without a window, never a new
    # window; a console without a window (the caller's CREATE_NO_WINDOW) is shared.
    console("console_detached_child_has_no_window", params=SIMPLE, files=CONSOLE_FILES,
            args=' x "y z"', flags=DETACHED_PROCESS, exit=0,
            child=dict(SIMPLE_CHILD, console_window=False, console_processes=1)),
    console("console_hidden_console_shared", params=SIMPLE, files=CONSOLE_FILES,
            args=' x "y z"', flags=CREATE_NO_WINDOW, exit=0,
            child=dict(SIMPLE_CHILD, console_window=False, console_processes=2)),
    # Standard output and error as one handle, as Python's stderr=STDOUT passes them.
    console("console_output_and_error_one_handle", params=SIMPLE, files=CONSOLE_FILES, env=STDIO,
            args=' x "y z"', stdin=b"typed\r\n", merged=True, exit=0, child=SIMPLE_CHILD,
            stdout=b"out:typed\r\nerr:typed\r\n"),
    # A caller's time-out kills the launcher; the program goes with it.
    console("console_killed_ends_child", params=SIMPLE, files=CONSOLE_FILES, args=' x "y z"',
            kill=True, exit=9, child=SIMPLE_CHILD),
    # A system text ends in CR LF, and gets no second CR on standard error or in the log.
    console("console_bad_exe_format", params=SIMPLE, args=' x "y z"', env=VERBOSE,
            files={"jre\\bin\\java.exe": b"not a program", "lib\\a.jar": b"PK"}, exit=2,
            stderr=BAD_EXE, log=Contains(BAD_EXE + "\n")),
    # A console handle opened for writing only still gets UTF-16 through the console.
    console("console_error_write_only_console", exe="pr\u00fcf\u20ac.exe", params=b"", exit=2,
            console_text="Parameter file\n'{dir}\\pr\u00fcf\u20ac.tavrin'\nis empty\n"),
]

# ---------------------------------------------------------------------------------------
# Resources, as Windows reads them (resource_probe.exe): the version details, the manifest
# and the icon of each launcher build.

VERSION = (ROOT / "VERSION").read_text().strip()
LAUNCHER_STRINGS = {
    "FileDescription": "tavrin Java application launcher", "FileVersion": VERSION,
    "InternalName": "tavrin.exe", "LegalCopyright": "Copyright (c) 2026 the tavrin authors",
    "OriginalFilename": "tavrin.exe", "ProductName": "tavrin", "ProductVersion": VERSION}
# What the manifest must declare, as (element, attribute or None for the text, value).
MANIFEST_NEEDS = [
    ("requestedExecutionLevel", "level", "asInvoker"),
    ("requestedExecutionLevel", "uiAccess", "false"),
    ("dpiAware", None, "true/pm"), ("dpiAwareness", None, "PerMonitorV2, PerMonitor"),
    ("longPathAware", None, "true"),
    ("assemblyIdentity", "name", "Microsoft.Windows.Common-Controls"),
    ("assemblyIdentity", "version", "6.0.0.0"),
    *[("supportedOS", "Id", "{%s}" % g) for g in (
        "e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
        "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
        "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")]]
CONSOLE_STRINGS = {**LAUNCHER_STRINGS, "FileDescription": "tavrin Java console launcher",
                   "InternalName": "tavrin-console.exe", "OriginalFilename": "tavrin-console.exe"}
SERVICE_STRINGS = {**LAUNCHER_STRINGS, "FileDescription": "tavrin Java service launcher",
                   "InternalName": "tavrin-service.exe", "OriginalFilename": "tavrin-service.exe"}
RESOURCES = [
    dict(name=f"{variant}_resources_{arch}",
         exe=DIST / arch / LAUNCHERS["gui" if variant == "launcher" else variant],
         translations=["040904b0"], strings={"040904b0": strings},
         fixed={"file": VERSION + ".0", "product": VERSION + ".0", "signature_ok": True},
         manifest=MANIFEST_NEEDS, icon_group={"name": "APPICON", "languages": ["0409"]},
         icons={str(px): {"id": 1, "width": px, "height": px} for px in (16, 32, 48, 256)})
    for arch in ("x64", "x86")
    for variant, strings in (("launcher", LAUNCHER_STRINGS), ("console", CONSOLE_STRINGS),
                             ("service", SERVICE_STRINGS))]

# ---------------------------------------------------------------------------------------
# Wine


def find_wine():
    for name in ("/usr/lib/wine/wine64", "wine64", "wine"):
        path = shutil.which(name)
        if path:
            return path, str(Path(path).with_name("wineserver"))
    raise SystemExit("e2e: wine64 not found")


class Bench:
    """Xvfb, a fresh Wine prefix with a persistent server, and the helpers' paths."""

    def __init__(self, locale=None):
        """locale: the Unix locale Wine runs in (its ANSI code page follows it); None keeps
        the caller's."""
        self.locale = locale
        self.wine, self.wineserver = find_wine()
        self.driver = HELPERS / "e2e_driver.exe"
        self.standin = HELPERS / "java_standin.exe"
        self.standin_console = HELPERS / "java_standin_console.exe"
        self.probe = HELPERS / "resource_probe.exe"
        self.launchers = {(a, v): DIST / a / name for a in ("x64", "x86")
                          for v, name in LAUNCHERS.items()}
        self.check_exe = DIST / "x64" / "tavrin-check.exe"
        for path in [self.driver, self.standin, self.standin_console, self.probe,
                     *self.launchers.values(), CHECK, self.check_exe]:
            if not path.is_file():
                raise SystemExit(f"e2e: missing {path} (run scripts/build)")
        self.xvfb = None
        self.server_started = False

    def start(self):
        WORK.mkdir(parents=True, exist_ok=True)
        for old_log in WORK.glob("*.log"):
            old_log.unlink()
        self.env = {k: v for k, v in os.environ.items() if k not in ("VERBOSE_TAVRIN", "DISPLAY")
                    and not k.startswith(("STANDIN_", "WINE"))}
        # No Mono, Gecko or Linux menu entries (an installer's shortcuts would make them).
        self.env.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if self.locale:
            self.env.update(LANG=self.locale, LC_ALL=self.locale)
        if PREFIX.exists():
            self.call([self.wineserver, "-k"], "wineserver", 60)  # left by an aborted run
            shutil.rmtree(PREFIX)
        read_end, write_end = os.pipe()
        with open(WORK / "xvfb.log", "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
                 "1024x768x24"], stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=[write_end])
        os.close(write_end)
        display = b""
        while not display.endswith(b"\n"):
            if not select.select([read_end], [], [], 30)[0]:
                raise SystemExit("e2e: Xvfb did not start (see build/e2e/xvfb.log)")
            chunk = os.read(read_end, 64)
            if not chunk:
                raise SystemExit("e2e: Xvfb did not start (see build/e2e/xvfb.log)")
            display += chunk
        os.close(read_end)

        # Without a window manager Wine waits 2 s for every window it hides, so windows go
        # to a virtual desktop. Prepared without a display, then the server is let go, so
        # that no desktop process started meanwhile outlives the setup.
        self.wine_call(["wineboot", "-i"], "wineboot", 300)
        self.wine_call(["reg", "add", "HKCU\\Software\\Wine\\Explorer", "/v", "Desktop",
                        "/d", "Default", "/f"], "reg", 60)
        self.wine_call(["reg", "add", "HKCU\\Software\\Wine\\Explorer\\Desktops", "/v",
                        "Default", "/d", "800x600", "/f"], "reg", 60)
        self.call([self.wineserver, "-w"], "wineserver", 120)
        self.env["DISPLAY"] = ":" + display.decode().strip()
        self.server_started = self.call([self.wineserver, "-p"], "wineserver", 60) == 0

    def call(self, argv, log_name, timeout):
        # Output goes to files: Wine's desktop process inherits pipes and outlives the call.
        with open(WORK / (log_name + ".log"), "ab") as log:
            proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                    stderr=log)
            try:
                return proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                return None

    def wine_call(self, args, log_name, timeout):
        code = self.call([self.wine, *args], log_name, timeout)
        if code != 0:
            raise SystemExit(f"e2e: wine {args[0]} failed ({code}), see build/e2e/{log_name}.log")

    def stop(self):
        if self.server_started:
            self.call([self.wineserver, "-k"], "wineserver", 60)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()


def unix(win_path):
    """The Unix path of a C:\\ path inside the prefix."""
    assert win_path[:3].upper() == "C:\\", win_path
    return PREFIX / "drive_c" / win_path[3:].replace("\\", "/")


# ---------------------------------------------------------------------------------------
# Running one row on one build


NO_REPORT = "driver gave no report"


def text_field(text):
    return text.encode("utf-16-le", "surrogatepass").hex() or "-"


def run_case(bench, row, arch, seen):
    """Runs the row on one launcher build; returns a list of problems (empty: pass).
    seen receives what the launcher did: exit code, box texts, child command line."""
    case_dir = row.get("dir") or (
        "C:\\t\\" + row["name"] + ("\\" + row["subdir"] if row.get("subdir") else ""))
    exe = case_dir + "\\" + row["exe"]
    systexts = {}  # Wine's texts for error codes, from the driver's report

    def fill(text):
        text = text.replace("{dir}", case_dir).replace("{exe}", exe)
        return re.sub(r"\{sys:(\d+)\}", lambda m: systexts.get(m[1], m[0]), text)

    def fill_bytes(data):
        return data.replace(b"{dir}", case_dir.encode()).replace(b"{exe}", exe.encode())

    for top in ("t", "r"):
        shutil.rmtree(PREFIX / "drive_c" / top, ignore_errors=True)
    unix(case_dir).mkdir(parents=True, exist_ok=True)
    unix("C:\\r").mkdir(parents=True)

    files = dict(row["files"])
    if row.get("params") is not None:
        files[row["param_name"]] = row["params"]
    laid = {}
    for rel, content in files.items():
        assert rel[1:3] != ":\\" or rel.upper().startswith("C:\\T\\"), "files live under C:\\t"
        path = unix(rel if rel[1:3] == ":\\" else case_dir + "\\" + rel)
        if content == DIR:
            path.mkdir(parents=True, exist_ok=True)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if content == JAVA:
            shutil.copyfile(bench.standin, path)
        elif content == JAVA_CONSOLE:
            shutil.copyfile(bench.standin_console, path)
        elif callable(content):
            path.write_bytes(content())
        else:
            path.write_bytes(fill_bytes(content))
        os.utime(path, (OLD_MTIME, OLD_MTIME))
        if rel in row.get("untouched", []):
            laid[rel] = path.read_bytes()
    if row.get("image"):
        shutil.copytree(row["image"], unix(case_dir), dirs_exist_ok=True)
    elif not row.get("dir"):
        shutil.copyfile(bench.launchers[arch, row.get("launcher", "gui")], unix(exe))
    os.utime(unix(exe), (OLD_MTIME, OLD_MTIME))
    laid[row["exe"]] = unix(exe).read_bytes()

    child_report, gate = "C:\\r\\child.json", "C:\\r\\gate"
    env = {"STANDIN_REPORT": child_report, **row.get("env", {})}
    job = ["report " + text_field("C:\\r\\report.json"), "app " + text_field(exe),
           "cmd " + text_field(fill(row.get("cmd", '"{exe}"' + row.get("args", "")))),
           "cwd " + text_field(fill(row.get("cwd", "{dir}")))]
    child = row.get("child")
    if child:
        job.append("marker " + text_field(child_report + ".done"))
        if row.get("kill"):
            env["STANDIN_SLEEP_MS"] = "5000"  # long past the kill, should the child survive it
            job.append("kill " + text_field(child_report))
        elif row.get("waits", True):
            env["STANDIN_SLEEP_MS"] = "300"
        else:
            env["STANDIN_GATE"] = gate
            job.append("gate " + text_field(gate))
        if "child_exit" in row:
            env["STANDIN_EXIT"] = str(row["child_exit"])
    stdio = ["C:\\r\\stdin", "C:\\r\\stdout", "C:\\r\\stderr"]
    if row.get("merged"):
        stdio[2] = stdio[1]
    if "console_text" in row:
        stdio[2] = "CONOUT$"
    if row.get("launcher") in ("console", "service"):
        unix(stdio[0]).write_bytes(row.get("stdin", b""))
        job.append("stdio " + " ".join(map(text_field, stdio)))
    if row.get("canary"):
        job.append("canary")
    if row.get("flags"):
        job.append(f"flags {row['flags']}")
    for name, value in env.items():
        job.append(("unset " + text_field(name)) if value is None else
                   f"set {text_field(name)} {text_field(fill(value))}")
    registry = []  # what HKLM\SOFTWARE\JavaSoft must hold, before and after the run
    for view, key, name, kind, data in row.get("reg", []):
        data = data if isinstance(data, bytes) else fill(data).encode("utf-16-le", "surrogatepass")
        for v in ("64", "32") if view == "both" else (view,):
            job.append(f"reg {v} {text_field(key)} {text_field(name)} {kind} {data.hex() or '-'}")
            registry.append([v, key, name, kind, data.hex()])
    texts = [t for _, t in row.get("boxes", [])] + [
        row[k] for k in ("stderr", "log", "console_text") if isinstance(row.get(k), str)]
    codes = set(re.findall(r"\{sys:(\d+)\}", " ".join(texts)))
    job += ["systext " + code for code in sorted(codes)]
    unix("C:\\r\\job.txt").write_text("\n".join(job) + "\n")

    code = bench.call([bench.wine, str(bench.driver), "C:\\r\\job.txt"], "driver", 120)
    try:
        report = json.loads(unix("C:\\r\\report.json").read_text())
    except (OSError, ValueError) as e:
        return [f"{NO_REPORT} (exit {code}): {e}"]
    if report.get("error"):
        return ["driver: " + report["error"]]
    systexts.update(report["systexts"])
    seen.update(exit=report["exit_code"], boxes=[b["text"] for b in report["boxes"]],
                systexts=report["systexts"],
                case_dir=case_dir, exe=exe, cmd=fill(row.get("cmd", '"{exe}"' + row.get("args", ""))),
                env={n: fill(v) for n, v in row.get("env", {}).items() if v is not None})

    problems = []

    def check(what, expected, got):
        if expected != got:
            problems.append(f"{what}:\n" + show(expected, got))

    check("timed out", False, report["timed_out"])
    check("a handle of the launcher's reached its child", False, report["canary_held"])
    check("exit code", row.get("exit"), report["exit_code"])
    expected_boxes = [[c, fill(t)] for c, t in row.get("boxes", [])]
    check("boxes", expected_boxes, [[b["caption"], b["text"]] for b in report["boxes"]])
    for b in report["boxes"]:
        check("buttons of box (IDOK only)", [1], b["buttons"])
    check("child processes left running", [], report["children_killed"])
    check("registry values (read only)", sorted(registry), sorted(report["registry"]))

    runs = []
    if unix(child_report).exists():
        runs = [json.loads(line) for line in unix(child_report).read_text().splitlines()]
    if not child:
        check("child starts", 0, len(runs))
    elif len(runs) != 1:
        check("child starts", 1, len(runs))
    else:
        got = runs[0]
        seen["child_cmd"] = got["command_line"]
        if "cmd" in child:
            check("child command line", fill(child["cmd"]), got["command_line"])
        argv = [fill(a) for a in child["argv"]]
        check("program started", fill(child.get("exe", child["argv"][0])), got["module"])
        check("child argv (CommandLineToArgvW)", argv, got["argv_shell"])
        check("child argv (C runtime)", [fill(a) for a in child.get("argv_crt", argv)],
              got["argv_crt"])
        if "cwd" in child:
            check("child current directory", fill(child["cwd"]), got["cwd"])
        env_got = dict(e.split("=", 1) for e in got["env"] if "=" in e[1:])
        for name, value in child.get("env", {}).items():
            check(f"child env {name}", value and fill(value), env_got.get(name))
        for key in ("console_window", "console_processes"):
            if key in child:
                check(f"child {key}", child[key], got[key])
        if "app_id" in child:  # STARTF_TITLEISAPPID with the ID as the title, or not
            check("child AppUserModelID", child["app_id"],
                  got["title"] if got["startup_flags"] & 0x1000 else None)
        if not row.get("kill"):
            check("launcher waited for child", row.get("waits", True), report["marker_at_exit"])
        check("child finished (never with a killed launcher)", not row.get("kill"),
              unix(child_report + ".done").exists())

    for key, path in (("stdout", stdio[1]), ("stderr", stdio[2])):
        if key in row:
            want = row[key]
            want = crlf(fill(want)).encode() if isinstance(want, str) else fill_bytes(want)
            check(f"launcher's standard {key[3:]}", want, unix(path).read_bytes())
    if "console_text" in row:
        check("console's text", fill(row["console_text"]), report["console_text"])

    log_path = unix(case_dir + "\\" + row["log_name"])
    log = row["log"]
    if log == NO_LOG:
        check("log file exists", False, log_path.exists())
    elif log is not None:
        got = log_path.read_bytes() if log_path.exists() else None
        if isinstance(log, bytes):
            check("log", log, got)
        else:
            want = crlf(fill(log)).encode("latin-1")
            if isinstance(log, Starts):
                got = got[: len(want)] if got else got
            if isinstance(log, Contains):
                check("log holds", want, want if got and want in got else got)
            else:
                check("log (start)" if isinstance(log, Starts) else "log", want, got)

    if row.get("only_files"):
        expected = {rel for rel, content in files.items() if content != DIR and rel[1:3] != ":\\"}
        expected |= {row["exe"]} | ({row["log_name"]} if log not in (NO_LOG, None) else set())
        top = unix(case_dir)
        found = {str(p.relative_to(top)).replace("/", "\\") for p in top.rglob("*") if p.is_file()}
        check("files in the case directory", sorted(expected), sorted(found))

    for rel in row.get("untouched", []):
        path = unix(rel if rel[1:3] == ":\\" else case_dir + "\\" + rel)
        check(f"{rel} content", laid[rel], path.read_bytes() if path.exists() else None)
        if path.exists():
            check(f"{rel} time stamp", OLD_MTIME, int(path.stat().st_mtime))
    return problems


# ---------------------------------------------------------------------------------------
# tavrin-check against the real launcher

# Rows whose Windows run tavrin-check.exe repeats under Wine: its bytes must be the Linux
# build's.
WINDOWS_CHECK_ROWS = {"simple_launch", "variables", "class_path_filtered", "no_param_file",
                      "non_ascii_end_to_end", "log_valid_param_file", "syntax_no_class_name"}


# The system texts tavrin-check shows, as English Windows words them; Wine's differ.
CHECK_SYSTEXTS = {"206": "The filename or extension is too long.\r\n"}


def check_eligible(row):
    """Whether tavrin-check can stand for the launcher on this row, from the row's keys:
    no registry values and no box of a failed registry search (the check reads no
    registry), every laid-out file inside the case directory (nothing outside the app
    folder exists for the check), and no start the system refuses for a reason other
    than length (the simulated start succeeds for any file: word_names_text_file and
    word_names_directory). Rows tagged `needs` are skipped as in the launcher's run."""
    boxes = " ".join(text for _, text in row.get("boxes", []))
    refused = re.search(r"\{sys:(\d+)\}", boxes)
    case_files_only = all(rel[1:3] != ":\\" for rel in row["files"])
    return (not row.get("reg") and "Don't find" not in boxes and case_files_only
            and not (refused and refused[1] != "206") and not row.get("needs")
            and row.get("launcher") != "console")


def command_words(text):
    """The launcher's splitting of its command line: white space separates words, double
    quotes group, backslashes escape only before a quote (a run before it halves), a word
    starting with # starts a comment to the end of the line, and an empty last word is
    dropped."""
    words, word, state, i = [], None, "between", 0
    while i < len(text):
        c = text[i]
        if state == "comment":
            state = "between" if c in "\r\n" else state
        elif c == "\\":
            run = len(text[i:]) - len(text[i:].lstrip("\\"))
            word = (word or "") + "\\" * (run // 2 if text[i + run:i + run + 1] == '"' else run)
            state = "word" if state == "between" else state
            i += run
            if text[i:i + 1] == '"' and run % 2:
                word += '"'
                i += 1
            continue
        elif state == "quotes" and c == '"':
            state = "word"
            if text[i + 1:i + 2] in (" ", "\t", "\n", "\r"):
                words.append(word or "")
                word, state = None, "between"
        elif state == "quotes":
            word += c
        elif c in " \t\n\r":
            if state == "word":
                words.append(word)
                word, state = None, "between"
        elif c == "#" and state == "between":
            state = "comment"
        elif c == '"':
            word, state = word or "", "quotes"
        else:
            word, state = (word or "") + c, "word"
        i += 1
    if word:
        words.append(word)
    return words


def check_args(seen, row):
    """tavrin-check's arguments for the row's laid-out case directory, or None when the
    command line's words cannot be given as arguments (lone surrogates cannot be UTF-8:
    words_from_command_line)."""
    args = ["--as", seen["exe"]]
    for name, value in seen["env"].items():
        args += ["--set", f"{name}={value}"]
    words = command_words(seen["cmd"])[1:]
    if any(re.search("[\ud800-\udfff]", w) for w in words):
        return None
    return args + ["{param}"] + words


def run_check(bench, program, args, out_name):
    """Runs tavrin-check (under Wine for a .exe); returns exit code, stdout and stderr."""
    out, err = WORK / (out_name + ".out"), WORK / (out_name + ".err")
    argv = [bench.wine, str(program)] if program.suffix == ".exe" else [str(program)]
    with open(out, "wb") as o, open(err, "wb") as e:
        code = subprocess.run(argv + args, env=bench.env, stdin=subprocess.DEVNULL, stdout=o,
                              stderr=e, timeout=120).returncode
    return code, out.read_bytes(), err.read_bytes()


def compare_check(bench, row, seen):
    """Problems where tavrin-check disagrees with the launcher's run on this row."""
    args = check_args(seen, row)
    if args is None:
        return None

    def given(param, extra=()):
        return [*extra, *(param if a == "{param}" else a for a in args)]

    local = str(unix(seen["case_dir"]) / row["param_name"])
    code, out, err = run_check(bench, CHECK, given(local), "check")
    problems = []
    if seen["exit"] == 0:
        if code not in (0, 1):
            problems.append(f"check exit code: expected 0 or 1, got {code}: {err!r}")
        if out.decode("utf-8", "replace") != seen.get("child_cmd", "") + "\n":
            problems.append("check command line:\n" + show(seen.get("child_cmd"),
                                                            out.decode("utf-8", "replace")))
    else:
        if code != 2:
            problems.append(f"check exit code: expected 2, got {code}")
        boxes = "".join(t + "\n" for t in seen["boxes"])
        for number, text in seen["systexts"].items():
            boxes = boxes.replace(f"{text} (error {number})",
                                  f"{CHECK_SYSTEXTS[number]} (error {number})")
        if err.decode("utf-8", "replace") != boxes:
            problems.append("check error text:\n" + show(boxes, err.decode("utf-8", "replace")))
    if row["name"] in WINDOWS_CHECK_ROWS:
        # With the log, so that its bytes are compared too.
        linux = run_check(bench, CHECK, given(local, ["--log"]), "check_log")
        param = seen["case_dir"] + "\\" + row["param_name"]
        windows = run_check(bench, bench.check_exe, given(param, ["--log"]), "check_exe")
        if windows != linux:
            problems.append("tavrin-check.exe under Wine:\n" + show(linux, windows))
    return problems


def run_probe(bench, row):
    """Reads the row's executable through resource_probe.exe; returns a list of problems."""
    shutil.rmtree(PREFIX / "drive_c" / "r", ignore_errors=True)
    unix("C:\\r").mkdir(parents=True)
    shutil.copyfile(row["exe"], unix("C:\\r\\probed.exe"))
    code = bench.call([bench.wine, str(bench.probe), "C:\\r\\probed.exe", "C:\\r\\probe.json"],
                      "probe", 120)
    try:
        got = json.loads(unix("C:\\r\\probe.json").read_text())
    except (OSError, ValueError) as e:
        return [f"probe gave no report (exit {code}): {e}"]
    problems = []
    for key in ("translations", "strings", "fixed", "icon_group", "icons"):
        if key in row and row[key] != got[key]:
            problems.append(f"{key}:\n" + show(row[key], got[key]))
    if "manifest" in row:
        if got["manifest"] is None:
            return problems + ["FindResourceW finds no manifest"]
        declared = set()
        for element in ElementTree.fromstring(got["manifest"].encode()).iter():
            tag = element.tag.split("}")[-1]
            declared |= {(tag, None, (element.text or "").strip())}
            declared |= {(tag, a, v) for a, v in element.attrib.items()}
        problems += [f"manifest lacks {n}" for n in row["manifest"] if n not in declared]
    return problems


def crlf(text):
    """The text with a CR before every line feed that lacks one, as the launcher writes."""
    return re.sub(r"(?<!\r)\n", "\r\n", text)


def show(expected, got):
    """Expected and actual values, as a line diff when they span lines."""
    def lines(v):
        if isinstance(v, bytes):
            v = v.decode("latin-1")
        if isinstance(v, str) and "\n" in v:
            return [ascii(l) for l in v.splitlines(keepends=True)]
        if isinstance(v, list) and len(v) > 1:
            return [ascii(x) for x in v]
        return None
    a, b = lines(expected), lines(got)
    if a is not None and b is not None:
        diff = difflib.unified_diff(a, b, "expected", "got", lineterm="", n=2)
        return "\n".join("      " + d for d in diff)
    return f"      expected {ascii(expected)}\n      got      {ascii(got)}"


# ---------------------------------------------------------------------------------------


def report(label, problems):
    """Prints the outcome of one run; returns whether it passed."""
    if not problems:
        print(f"PASS {label}", flush=True)
        return True
    print(f"FAIL {label}", flush=True)
    for p in problems:
        print("    " + p.replace("\n", "\n    "), flush=True)
    return False


def main(argv):
    run_all = "--all" in argv
    parts = [a for a in argv if a != "--all"]
    rows = [r for r in CASES if not parts or any(p in r["name"] for p in parts)]
    probes = [r for r in RESOURCES if not parts or any(p in r["name"] for p in parts)]
    names = [r["name"] for r in CASES]
    if len(set(names)) != len(names):
        raise SystemExit("e2e: duplicate row names")

    bench = Bench()
    passed = failed = skipped = compared = 0
    no_x86, x86_skipped = x86_unavailable(), 0
    started = time.monotonic()
    try:
        bench.start()
        print(f"e2e: Wine prefix ready in {time.monotonic() - started:.1f} s", flush=True)
        for row in rows:
            for arch in row.get("archs", ("x64", "x86")):
                label = f"{row['name']} [{arch}]"
                if arch == "x86" and no_x86:
                    x86_skipped += 1
                    continue
                if row.get("needs") and not run_all:
                    print(f"SKIP {label} (needs {row['needs']}; run with --all)", flush=True)
                    skipped += 1
                    continue
                seen = {}
                try:
                    problems = run_case(bench, row, arch, seen)
                    if problems and problems[0].startswith(NO_REPORT):
                        # Wine itself, very rarely, ends the driver before it runs (exit 1,
                        # no output); the row is laid out afresh and run once more.
                        print(f"RETRY {label}: {problems[0]}", flush=True)
                        seen = {}
                        problems = run_case(bench, row, arch, seen)
                    if arch == "x64" and "exit" in seen and check_eligible(row):
                        checked = compare_check(bench, row, seen)
                        if checked is not None:
                            compared += 1
                            problems += checked
                except Exception:
                    problems = ["bench error:\n" + traceback.format_exc()]
                outcome = report(label, problems)
                passed, failed = passed + outcome, failed + (not outcome)
        for row in probes:
            try:
                problems = run_probe(bench, row)
            except Exception:
                problems = ["bench error:\n" + traceback.format_exc()]
            outcome = report(row["name"], problems)
            passed, failed = passed + outcome, failed + (not outcome)
    finally:
        bench.stop()
    print(f"e2e: {time.monotonic() - started:.1f} s")
    if x86_skipped:
        print(f"e2e: SKIP {x86_skipped} x86 rows: {no_x86}; the x86 build is checked only "
              "without running it (resources here, PE shape in scripts/reproduce)")
    print(f"e2e: tavrin-check compared with the launcher on {compared} rows")
    print(f"{passed} passed, {failed} failed, {skipped + x86_skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
