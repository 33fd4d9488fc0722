// The update stage: an app that updates itself gets the update program in its runtime,
// content-named folders and the update settings in its parameter file; --dest gets files/,
// every file of the release named by its SHA-256, and the signed feed, so that serving --dest
// as it is publishes the release.
#pragma once

#include "pack_job.h"

// Reads the release key and the trusted keys, before anything is written.
void prepare_update(job& j);

// Puts the update program into runtime\bin, before the image is signed.
void add_update_program(const job& j);

// Renames runtime\ and app\ after their content and writes each parameter file again with
// the settings; refuses a feed that --dest holds already.
void name_update_folders(job& j);

// Writes files/ and then the feed into --dest, once the package is there.
void publish_release(const job& j);
