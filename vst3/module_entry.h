// Where the module lives, recorded when the system loads it: the folder of
// the module file and the bundle's Resources folder beside it.
#pragma once

extern char *module_dir;     // the module file's folder, without a trailing separator
extern char *resources_dir;  // the parent of module_dir followed by the Resources folder name

// Derives both folders from the module file's full path, cutting at sep.
// Returns 0, or -1 when the path has no separator or memory runs out (then
// neither folder is set).
int module_dirs_set(const char *module_path, char sep);
void module_dirs_clear();
