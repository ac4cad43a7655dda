#include "test_objects.h"

#include "class_ids.h"
#include "controller.h"
#include "factory.h"
#include "processor.h"

processor *make_processor() {
  void *obj = nullptr;
  if (plugin_factory.vtbl->createInstance(&plugin_factory, processor_cid.bytes, IComponent_iid.bytes, &obj) !=
      kResultOk)
    return nullptr;
  return processor_from_component(obj);
}

controller *make_controller() {
  void *obj = nullptr;
  if (plugin_factory.vtbl->createInstance(&plugin_factory, controller_cid.bytes, IEditController_iid.bytes,
                                          &obj) != kResultOk)
    return nullptr;
  return controller_from_edit_controller(obj);
}

FUnknown host_context_stub = {nullptr};

void start_processing(processor *p, double rate) {
  p->component_face->base.initialize(p, &host_context_stub);
  ProcessSetup setup{0, kSample32, 512, rate};
  p->audio_processor_face->setupProcessing(&p->audio_processor_face, &setup);
  p->component_face->activateBus(p, kAudio, kInput, 0, 1);
  p->component_face->activateBus(p, kAudio, kOutput, 0, 1);
  p->component_face->setActive(p, 1);
}

tresult run_block(processor *p, mono_block &block) {
  return p->audio_processor_face->process(&p->audio_processor_face, &block.data);
}
