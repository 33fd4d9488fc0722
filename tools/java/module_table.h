// The JDK's exported packages and their modules, generated from a real JDK by
// make_module_table.py.
#pragma once

#include <string_view>

// The module index of a package in class-file form ("java/sql"), or -1 when no java.* or
// jdk.* module exports it.
int module_of_package(std::string_view package);

// A module's name ("java.sql"), for an index below module_count().
const char* module_name(int index);
int module_count();
