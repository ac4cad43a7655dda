// The LV2 UI: the web editor in the window the host offers. Values reach it
// as port events and leave it as port writes, in the ports' own sense and
// units; it never sees the plug-in instance. Windows only.
#pragma once

#include <cstdint>

#include <lv2/ui/ui.h>

struct editor_host;

struct lv2_ui {
  editor_host *editor;  // owned
  char *bundle_path;    // owned copy, trailing separator as the host gave it
  LV2UI_Write_Function write_function;
  LV2UI_Controller host_controller;  // handed back with every write
  uint8_t has_touch;                 // the host offered LV2_UI__touch
  LV2UI_Touch touch;                 // valid when has_touch is set
};

// The UI descriptor (index 0), null for every other index.
extern "C" const LV2UI_Descriptor *lv2ui_descriptor(uint32_t index);
