#include "factory.h"

#include "class_ids.h"
#include "controller.h"
#include "processor.h"
#include "text16.h"

namespace {

struct class_entry {
  const vst3_uid *cid;
  const char *category;
  const char *name;
  uint32_t class_flags;
  const char *sub_categories;
  const char *sdk_version;    // PClassInfo2
  const char *sdk_version16;  // PClassInfoW
};

const char class_vendor[] = "";
const char class_version[] = "1.1.2.1";

const class_entry class_table[2] = {
    {&processor_cid, "Audio Module Class", "Skarrow", kDistributable, "Fx|Distortion", "VST 3.8.0 | Pellix",
     "VST 3.8.0"},
    {&controller_cid, "Component Controller Class", "Skarrow Controller", 0, "", "VST VST 3.8.0 | Pellix",
     "VST 3.8.0"},
};

// Writes src and its terminating zero; the rest of the field is left as it was.
void copy_text(char *dst, const char *src, size_t capacity) {
  size_t i = 0;
  for (; src[i] && i + 1 < capacity; ++i) dst[i] = src[i];
  dst[i] = 0;
}

bool valid_index(int32_t index) { return index == 0 || index == 1; }

// [any thread] The factory is static and uncounted.
tresult query_interface(void *self, const char *iid, void **obj) {
  if (!obj) return kInvalidArgument;
  if (vst3_uid_equal(iid, FUnknown_iid) || vst3_uid_equal(iid, IPluginFactory_iid) ||
      vst3_uid_equal(iid, IPluginFactory2_iid) || vst3_uid_equal(iid, IPluginFactory3_iid)) {
    *obj = self;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32_t not_counted(void *) { return 1; }

tresult get_factory_info(void *, PFactoryInfo *info) {
  if (!info) return kInvalidArgument;
  copy_text(info->vendor, factory_vendor, sizeof info->vendor);
  copy_text(info->url, factory_url, sizeof info->url);
  copy_text(info->email, factory_email, sizeof info->email);
  info->flags = kFactoryUnicode;
  return kResultOk;
}

int32_t count_classes(void *) { return 2; }

// The fields every class record begins with.
template <class record>
void fill_class_identity(const class_entry &e, record *info) {
  std::memcpy(info->cid, e.cid->bytes, 16);
  info->cardinality = kManyInstances;
  copy_text(info->category, e.category, sizeof info->category);
}

// The 8-bit fields the two extended records share.
template <class record>
void fill_class_flags(const class_entry &e, record *info) {
  info->classFlags = e.class_flags;
  copy_text(info->subCategories, e.sub_categories, sizeof info->subCategories);
}

tresult get_class_info(void *, int32_t index, PClassInfo *info) {
  if (!valid_index(index) || !info) return kInvalidArgument;
  const class_entry &e = class_table[index];
  fill_class_identity(e, info);
  copy_text(info->name, e.name, sizeof info->name);
  return kResultOk;
}

tresult get_class_info2(void *, int32_t index, PClassInfo2 *info) {
  if (!valid_index(index) || !info) return kInvalidArgument;
  const class_entry &e = class_table[index];
  fill_class_identity(e, info);
  copy_text(info->name, e.name, sizeof info->name);
  fill_class_flags(e, info);
  copy_text(info->vendor, class_vendor, sizeof info->vendor);
  copy_text(info->version, class_version, sizeof info->version);
  copy_text(info->sdkVersion, e.sdk_version, sizeof info->sdkVersion);
  return kResultOk;
}

tresult get_class_info_unicode(void *, int32_t index, PClassInfoW *info) {
  if (!valid_index(index) || !info) return kInvalidArgument;
  const class_entry &e = class_table[index];
  fill_class_identity(e, info);
  text16_copy(info->name, e.name, 64);
  fill_class_flags(e, info);
  text16_copy(info->vendor, class_vendor, 64);
  text16_copy(info->version, class_version, 64);
  text16_copy(info->sdkVersion, e.sdk_version16, 64);
  return kResultOk;
}

// [main thread] Whatever iid is asked for, the object goes out as its main
// face (IComponent or IEditController).
tresult create_instance(void *, const char *cid, const char *iid, void **obj) {
  if (!obj || !cid || !iid) return kInvalidArgument;
  const bool common = vst3_uid_equal(iid, FUnknown_iid) || vst3_uid_equal(iid, IPluginBase_iid);
  if (vst3_uid_equal(cid, processor_cid)) {
    if (!common && !vst3_uid_equal(iid, IComponent_iid)) return kNoInterface;
    processor *p = processor_create();
    if (!p) return kOutOfMemory;
    *obj = &p->component_face;
    return kResultOk;
  }
  if (vst3_uid_equal(cid, controller_cid)) {
    if (!common && !vst3_uid_equal(iid, IEditController_iid)) return kNoInterface;
    controller *c = controller_create();
    if (!c) return kOutOfMemory;
    *obj = &c->edit_controller_face;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult set_host_context(void *, FUnknown *) { return kNotImplemented; }

const IPluginFactory3Vtbl factory_vtbl = {
    {query_interface, not_counted, not_counted},
    get_factory_info,
    count_classes,
    get_class_info,
    create_instance,
    get_class_info2,
    get_class_info_unicode,
    set_host_context,
};

}  // namespace

const char factory_vendor[] = "Quenvar";
const char factory_url[] = "https://quenvar.com";
const char factory_email[] = "support@quenvar.com";

IPluginFactory3 plugin_factory = {&factory_vtbl};
