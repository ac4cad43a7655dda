// Processors and controllers made through the factory linked into the test,
// as a host makes them.
#pragma once

#include "test_host.h"

struct processor;
struct controller;
processor *make_processor();
controller *make_controller();
// A context to initialize with; never called.
extern FUnknown host_context_stub;
// initialize, setupProcessing at rate, both buses active, setActive(true).
void start_processing(processor *p, double rate = 48000);
tresult run_block(processor *p, mono_block &block);
