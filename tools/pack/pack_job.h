// One run of tavrin-pack as its steps share it, and how they report their progress.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/app_launchers.h"
#include "image/launchers.h"
#include "options/pack_options.h"
#include "signing/signing.h"
#include "update/release_key.h"

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

// The image's folders of the runtime and the jars, and what its parameter files start with:
// content-named folders and the update program's settings when the app updates itself.
struct image_layout {
  std::string runtime_folder = "runtime", app_folder = "app", parameter_header;
};

struct job {
  const pack_options& o;
  fs::path dest;
  fs::path temporary;  // beside the output: the image in image\NAME, the jmods of a zip, the zip
  fs::path image;
  architecture arch;
  std::vector<app_launcher> launchers;  // the main one first
  signing signer;  // the key's files and secret found, before anything is written
  image_layout layout;
  release_key update_key;            // read before anything is written
  std::vector<std::string> trusted;  // the public points the app trusts, the key's first
};

// The output's name in --dest: the image folder, or NAME-VERSION-windows-ARCH.zip or .msi.
std::string output_name(const job& j);

// Refuses an output that exists already: pack replaces nothing.
void refuse_existing(const job& j);

// Writes text to the stream at once.
void print(std::FILE* stream, const std::string& text);

// One progress line on standard output: the step, what it did, and how long it took.
void step(const std::string& name, const std::string& what, steady::time_point since);

// "1 jar", "2 jars".
std::string count(size_t n, const std::string& thing);
