#pragma once
// The text of every file in lm_reference/ (see scripts/make-lm-reference.R
// for the format), compiled in by the build.
#include <vector>

std::vector<const char*> lmReferenceFiles();
