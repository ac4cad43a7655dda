// Whole-file exclusive locks on runtime streams, and the two things done
// while holding one: reading the whole content and replacing it.
#pragma once

#include <cstdio>

// Waits as long as another holder keeps the file. 0 once held, -1 on failure.
int news_store_lock(FILE* file);
void news_store_unlock(FILE* file);

// The whole content as a new text to free(), or null when the size cannot be
// taken, the buffer cannot be allocated or the read fails.
char* news_store_read_all(FILE* file);

// Empties the file and writes data; 0 when all of it reached the file.
int news_store_replace(FILE* file, const char* data);
