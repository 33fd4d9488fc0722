// A multi-release jar as a runtime of one Java release sees it.
#pragma once

#include "jar.h"

// Gives each name the entry that a runtime of release feature reads for it: the one under
// the highest META-INF/versions/N/ with N from 8 up to feature, else the base entry. A
// version of a name the base lacks adds that name.
void select_release(jar_file* jar, int feature);
