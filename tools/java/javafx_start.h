// java's launcher starts a main class that extends javafx.application.Application through
// JavaFX, which it finds only as the runtime's javafx.graphics module: JavaFX's jars on the
// class path do not stand in for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "class_file.h"
#include "main_class.h"
#include "runtime_image.h"

// The superclass of each class-path class, in class-path order, kept in one text without an
// allocation per class, as an app may have tens of thousands.
struct superclass_link {
  size_t hash;  // of the class's name
  size_t at;    // where its name starts in the text, its superclass's right after it
  uint16_t size;
  uint16_t super_size;
};
struct superclasses {
  std::string names;
  std::vector<superclass_link> links;
};

// Whether java would stop a JavaFX app in this runtime: it lists its modules, and
// javafx.graphics is not one of them.
bool lacks_javafx(const runtime_release& release);

void record_superclass(superclasses* classes, const class_file& file);

// A warning line when the main class extends Application, directly or through recorded
// classes (the first of a name, as the JVM loads it), or else nothing; runtime names the
// runtime as the warnings do.
std::string javafx_warning(superclasses classes, const main_class_search& main,
                           const std::string& runtime);
