// An app image given with --app-image, as pack wrote it and its user may have changed it,
// packed as it is.
#pragma once

#include "pack_job.h"

// Copies --app-image into j.image as every folder pack copies (each name checked as Windows
// will hold it, links as their targets), and reads its launchers into j.launchers: each
// NAME.exe at its top with NAME.tavrin beside it, a console program or not as its headers
// say, the one of --name first; j.arch from that one. Refuses a folder without NAME.exe,
// NAME.tavrin or runtime\, naming what is missing, and an exe that is no x64 or x86 program.
void copy_given_image(job& j);
