// The contents the racing processes write: each names its writer, is long
// enough to take many writes, and has line feeds stored as CR LF.
#pragma once

#include <cstdio>
#include <string>

// Writer n's content, beginning with its own eight-byte token "proc%04d".
inline std::string news_race_content(int n) {
  char line[64];
  snprintf(line, sizeof line, "proc%04d ", n);
  std::string content = line;
  for (int i = 0; i < 1500; ++i) {
    snprintf(line, sizeof line, "line %04d of writer %04d\n", i, n);
    content += line;
  }
  return content + "end";
}

inline const char news_race_original[] = "AAAAAAAA the first content\nend";

// True when text is the original or one writer's whole content.
inline bool news_race_complete(const std::string& text, int writers) {
  if (text == news_race_original) return true;
  int n = -1;
  if (sscanf(text.c_str(), "proc%04d ", &n) != 1 || n < 0 || n >= writers) return false;
  return text == news_race_content(n);
}
