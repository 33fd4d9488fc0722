// The app image that pack builds in its temporary folder from --input and a Windows JDK or
// runtime: app\, runtime\, and each launcher with its parameter file, branded.
#pragma once

#include "pack_job.h"

// Builds it in j.image, setting j.arch and j.launchers, and refuses an output that exists
// once its name is known. Returns 1 when a parameter file's words warn, else 0.
int build_image(job& j);

// The launcher's parameter file: the layout's header, then its words, naming the runtime and
// the jars in the layout's folders.
std::string parameter_text(const job& j, const app_launcher& l);
