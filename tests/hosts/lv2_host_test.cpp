// The built Linux bundle loaded from disk by a host built on lilv: found by
// URI through LV2_PATH, described as the parameter table says, run, and its
// state saved and restored through lilv's state API.
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/units/units.h>
#include <sndfile.h>

#include "engine/engine.h"
#include "engine/float_modes.h"
#include "lilv_host.h"
#include "lv2_uris.h"
#include "state/state_blob.h"

namespace {

std::string as_string(const LilvNode *node) { return node ? lilv_node_as_string(node) : ""; }

std::vector<float> test_signal(uint32_t count) {
  std::vector<float> s(count);
  for (uint32_t i = 0; i < count; ++i)
    s[i] = float(0.7 * std::sin(0.0287 * i) + 0.2 * std::sin(0.731 * i)) * float(i % 3000) / 3000;
  return s;
}

// The engine driven directly through the same block boundaries.
struct direct_engine {
  engine e;
  direct_engine(float rate, const float values[parameter_count]) {
    engine_init(&e);
    engine_set_sample_rate(&e, rate);
    for (int i = 0; i < parameter_count; ++i) engine_set_parameter(&e, i, values[i]);
    engine_reset(&e);
  }
  void process(const float *in, float *out, uint32_t n) {
    uint32_t modes = float_modes_enter();
    engine_process(&e, in, out, n);
    float_modes_leave(modes);
  }
};

const float defaults[parameter_count] = {50, 50, 50, 100, 100, 0};

TEST(lv2_host, finds_the_plugin_by_uri) {
  lilv_host host(SKARROW_LV2_URI);
  ASSERT_NE(host.plugin, nullptr) << "LV2_PATH=" << (getenv("LV2_PATH") ? getenv("LV2_PATH") : "");
  EXPECT_TRUE(lilv_plugin_verify(host.plugin));
  EXPECT_EQ(as_string(lilv_plugin_get_uri(host.plugin)), "https://quenvar.com/plugins/skarrow");
  EXPECT_EQ(as_string(lilv_plugin_class_get_uri(lilv_plugin_get_class(host.plugin))),
            LV2_CORE__DistortionPlugin);
  std::string binary = as_string(lilv_plugin_get_library_uri(host.plugin));
  EXPECT_EQ(binary.substr(binary.rfind('/') + 1), "quenvar-skarrow.so");
  LilvNode *name = lilv_plugin_get_name(host.plugin);
  EXPECT_EQ(as_string(name), "Skarrow");
  lilv_node_free(name);
}

TEST(lv2_host, ports_match_the_parameter_table) {
  lilv_host host(SKARROW_LV2_URI);
  ASSERT_NE(host.plugin, nullptr);
  ASSERT_EQ(lilv_plugin_get_num_ports(host.plugin), 8u);
  LilvNode *input = host.uri_node(LV2_CORE__InputPort);
  LilvNode *output = host.uri_node(LV2_CORE__OutputPort);
  LilvNode *audio = host.uri_node(LV2_CORE__AudioPort);
  LilvNode *control = host.uri_node(LV2_CORE__ControlPort);
  LilvNode *unit = host.uri_node(LV2_UNITS__unit);
  LilvNode *enabled = host.uri_node(LV2_CORE__enabled);
  LilvNode *toggled = host.uri_node(LV2_CORE__toggled);

  for (uint32_t index : {0u, 1u}) {
    const LilvPort *port = lilv_plugin_get_port_by_index(host.plugin, index);
    EXPECT_TRUE(lilv_port_is_a(host.plugin, port, audio));
    EXPECT_TRUE(lilv_port_is_a(host.plugin, port, index == 0 ? input : output));
  }
  const char *symbols[parameter_count] = {"drive", "tone", "heat", "mix", "volume", "enabled"};
  for (int i = 0; i < parameter_count; ++i) {
    const parameter_info &p = parameter_table[i];
    const LilvPort *port = lilv_plugin_get_port_by_index(host.plugin, uint32_t(i + 2));
    SCOPED_TRACE(p.key);
    EXPECT_TRUE(lilv_port_is_a(host.plugin, port, control));
    EXPECT_TRUE(lilv_port_is_a(host.plugin, port, input));
    EXPECT_EQ(as_string(lilv_port_get_symbol(host.plugin, port)), symbols[i]);
    LilvNode *name = lilv_port_get_name(host.plugin, port);
    EXPECT_EQ(as_string(name), i == parameter_bypass ? "Enabled" : p.title);
    lilv_node_free(name);
    LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(host.plugin, port, &def, &min, &max);
    ASSERT_TRUE(def && min && max);
    EXPECT_EQ(lilv_node_as_float(min), p.min);
    EXPECT_EQ(lilv_node_as_float(max), p.max);
    // The enabled port's default is the table's bypass default, inverted.
    EXPECT_EQ(lilv_node_as_float(def), i == parameter_bypass ? 1 - p.default_value : p.default_value);
    lilv_node_free(def);
    lilv_node_free(min);
    lilv_node_free(max);
    LilvNodes *units = lilv_port_get_value(host.plugin, port, unit);
    if (std::strcmp(p.units, "%") == 0) {
      ASSERT_EQ(lilv_nodes_size(units), 1u);
      EXPECT_EQ(as_string(lilv_nodes_get_first(units)), LV2_UNITS__pc);
    } else {
      EXPECT_EQ(lilv_nodes_size(units), 0u);
    }
    lilv_nodes_free(units);
    EXPECT_EQ(lilv_port_has_property(host.plugin, port, toggled), p.toggle);
  }
  // Hosts find the enabled port by its designation and show it as their bypass.
  const LilvPort *designated = lilv_plugin_get_port_by_designation(host.plugin, input, enabled);
  ASSERT_NE(designated, nullptr);
  EXPECT_EQ(lilv_port_get_index(host.plugin, designated), 7u);

  for (LilvNode *n : {input, output, audio, control, unit, enabled, toggled}) lilv_node_free(n);
}

TEST(lv2_host, features_and_extension_data_are_as_declared) {
  lilv_host host(SKARROW_LV2_URI);
  ASSERT_NE(host.plugin, nullptr);
  auto uris_of = [](LilvNodes *nodes) {
    std::vector<std::string> out;
    LILV_FOREACH (nodes, i, nodes) out.push_back(as_string(lilv_nodes_get(nodes, i)));
    lilv_nodes_free(nodes);
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_EQ(uris_of(lilv_plugin_get_required_features(host.plugin)),
            std::vector<std::string>{LV2_URID__map});
  std::vector<std::string> optional = uris_of(lilv_plugin_get_optional_features(host.plugin));
  EXPECT_NE(std::find(optional.begin(), optional.end(), LV2_LOG__log), optional.end());
  EXPECT_EQ(std::find(optional.begin(), optional.end(), LV2_URID__map), optional.end());
  EXPECT_EQ(uris_of(lilv_plugin_get_extension_data(host.plugin)),
            std::vector<std::string>{LV2_STATE__interface});
  // What the description promises, the module answers.
  lilv_host_instance x(host, 48000, 16);
  ASSERT_NE(x.instance, nullptr);
  EXPECT_NE(lilv_instance_get_extension_data(x.instance, LV2_STATE__interface), nullptr);
}

TEST(lv2_host, instantiates_with_and_without_a_log) {
  for (bool with_log : {true, false}) {
    lilv_host host(SKARROW_LV2_URI);
    ASSERT_NE(host.plugin, nullptr);
    lilv_host_instance x(host, 44100, 64, with_log);
    ASSERT_NE(x.instance, nullptr) << "log " << with_log;
    std::vector<float> signal = test_signal(64);
    std::copy(signal.begin(), signal.end(), x.in.begin());  // the port keeps its buffer
    lilv_instance_activate(x.instance);
    lilv_instance_run(x.instance, 64);
    lilv_instance_deactivate(x.instance);
    EXPECT_TRUE(host.log_text.empty()) << host.log_text;
    std::vector<float> expected(64);
    direct_engine(44100, defaults).process(x.in.data(), expected.data(), 64);
    EXPECT_EQ(x.out, expected);
  }
}

// Uneven blocks with control changes between them, some outside the ranges:
// sample for sample what the engine gives when driven directly.
TEST(lv2_host, audio_is_bit_identical_to_the_engine) {
  struct block {
    uint32_t size;
    float controls[parameter_count];  // port sense
  } blocks[] = {
      {1, {50, 50, 50, 100, 100, 1}},     {7, {80, 50, 50, 100, 100, 1}},
      {64, {80, 20, 90, 100, 100, 1}},    {500, {150, 20, 90, 40, 180, 1}},
      {1024, {150, 20, 90, 40, 180, 0}},  {333, {10, 70, -5, 100, 250, 0}},
      {2048, {10, 70, -5, 100, 250, 1}},
  };
  for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
    lilv_host host(SKARROW_LV2_URI);
    ASSERT_NE(host.plugin, nullptr);
    lilv_host_instance x(host, rate, 2048);
    ASSERT_NE(x.instance, nullptr);
    lilv_instance_activate(x.instance);
    direct_engine direct(float(rate), defaults);
    std::vector<float> signal = test_signal(2048), expected(2048);
    for (const block &b : blocks) {
      for (int i = 0; i < parameter_count; ++i) {
        x.controls[i] = b.controls[i];
        float v = i == parameter_bypass ? (b.controls[i] > 0 ? 0.0f : 1.0f)
                                        : parameter_clamp(i, b.controls[i]);
        if (v != direct.e.parameter_values[i]) engine_set_parameter(&direct.e, i, v);
      }
      std::copy(signal.begin(), signal.begin() + b.size, x.in.begin());
      lilv_instance_run(x.instance, b.size);
      direct.process(signal.data(), expected.data(), b.size);
      ASSERT_EQ(std::vector<float>(x.out.begin(), x.out.begin() + b.size),
                std::vector<float>(expected.begin(), expected.begin() + b.size))
          << "rate " << rate << ", block of " << b.size;
      std::rotate(signal.begin(), signal.begin() + 123, signal.end());
    }
  }
}

// A stand-in instance whose state interface only records what lilv hands it.
struct blob_recorder {
  std::vector<uint8_t> blob;
  uint32_t key = 0, type = 0;
};
blob_recorder *recorder;

LV2_State_Status record_restore(LV2_Handle, LV2_State_Retrieve_Function retrieve,
                                LV2_State_Handle handle, uint32_t, const LV2_Feature *const *) {
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void *data = retrieve(handle, recorder->key, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  recorder->blob.assign(static_cast<const uint8_t *>(data), static_cast<const uint8_t *>(data) + size);
  recorder->type = type;
  return LV2_STATE_SUCCESS;
}
const LV2_State_Interface recorder_state = {nullptr, record_restore};
const void *recorder_extension_data(const char *uri) {
  return std::strcmp(uri, LV2_STATE__interface) == 0 ? &recorder_state : nullptr;
}

struct port_source {
  const lilv_host_instance *instance;
  LV2_URID float_type;
};

const void *port_value(const char *symbol, void *user, uint32_t *size, uint32_t *type) {
  const port_source *source = static_cast<const port_source *>(user);
  const char *symbols[parameter_count] = {"drive", "tone", "heat", "mix", "volume", "enabled"};
  for (int i = 0; i < parameter_count; ++i) {
    if (std::strcmp(symbol, symbols[i]) == 0) {
      *size = sizeof(float);
      *type = source->float_type;
      return &source->instance->controls[i];
    }
  }
  return nullptr;
}

// Saved with lilv's state API, written to text and read back as a host keeps
// it in a project, restored into a second instance.
TEST(lv2_host, state_round_trip_through_lilv) {
  lilv_host host(SKARROW_LV2_URI);
  ASSERT_NE(host.plugin, nullptr);
  blob_recorder rec;
  recorder = &rec;
  const float ports[parameter_count] = {77, 33, 88, 66, 144, 0};

  lilv_host_instance a(host, 96000, 32);
  ASSERT_NE(a.instance, nullptr);
  for (int i = 0; i < parameter_count; ++i) a.controls[i] = ports[i];
  lilv_instance_activate(a.instance);
  lilv_instance_run(a.instance, 32);
  std::vector<const LV2_Feature *> features = host.features(true);
  port_source source{&a, host.urid(LV2_ATOM__Float)};
  LilvState *saved = lilv_state_new_from_instance(host.plugin, a.instance, &host.map, nullptr,
                                                  nullptr, nullptr, nullptr, port_value, &source,
                                                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                                  features.data());
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(lilv_state_get_num_properties(saved), 1u);
  char *text = lilv_state_to_string(host.world, &host.map, &host.unmap, saved,
                                    "urn:skarrow:test-state", nullptr);
  ASSERT_NE(text, nullptr);
  LilvState *loaded = lilv_state_new_from_string(host.world, &host.map, text);
  lilv_free(text);
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(lilv_state_equals(saved, loaded));

  // The blob as the host hands it back: the state writer's own bytes.
  rec.key = host.urid(SKARROW_LV2_STATE_KEY);
  LilvInstance stand_in{};
  LV2_Descriptor recorder_descriptor{};
  recorder_descriptor.URI = SKARROW_LV2_URI;
  recorder_descriptor.extension_data = recorder_extension_data;
  stand_in.lv2_descriptor = &recorder_descriptor;
  lilv_state_restore(loaded, &stand_in, nullptr, nullptr, 0, features.data());
  EXPECT_EQ(rec.type, host.urid(LV2_ATOM__Chunk));
  const float engine_values[parameter_count] = {77, 33, 88, 66, 144, 1};
  size_t size = 0;
  uint8_t *expected = state_blob_save(engine_values, 96000, "lv2", &size);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(rec.blob, std::vector<uint8_t>(expected, expected + size));
  std::free(expected);

  // Into a second instance whose controls are not connected: only the blob
  // can bring the values, and the audio shows they arrived.
  lilv_host_instance b(host, 96000, 256);
  ASSERT_NE(b.instance, nullptr);
  for (uint32_t i = 2; i < 8; ++i) lilv_instance_connect_port(b.instance, i, nullptr);
  lilv_instance_activate(b.instance);
  lilv_state_restore(loaded, b.instance, nullptr, nullptr, 0, features.data());
  std::vector<float> signal = test_signal(256);
  std::copy(signal.begin(), signal.end(), b.in.begin());
  lilv_instance_run(b.instance, 256);
  direct_engine direct(96000, defaults);
  for (int i = 0; i < parameter_count; ++i) engine_set_parameter(&direct.e, i, engine_values[i]);
  std::vector<float> out(256);
  direct.process(b.in.data(), out.data(), 256);
  EXPECT_EQ(b.out, out);
  EXPECT_TRUE(host.log_text.empty()) << host.log_text;

  lilv_state_free(saved);
  lilv_state_free(loaded);
}

// lilv's own command-line host runs the bundle over a sound file.
TEST(lv2_host, lv2apply_processes_a_file_like_the_engine) {
#ifdef SKARROW_SANITIZED
  GTEST_SKIP() << "lv2apply cannot load a sanitized module";
#endif
  std::string dir = testing::TempDir();
  std::string in_path = dir + "skarrow_lv2apply_in.wav", out_path = dir + "skarrow_lv2apply_out.wav";
  std::vector<float> signal = test_signal(4800);
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE *file = sf_open(in_path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(sf_writef_float(file, signal.data(), sf_count_t(signal.size())), sf_count_t(signal.size()));
  sf_close(file);

  std::string command = "LV2_PATH=" SKARROW_LV2_PATH " " SKARROW_LV2APPLY " -i " + in_path + " -o " + out_path +
                        " -c drive 85 -c volume 130 -c mix 70 " SKARROW_LV2_URI;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  SF_INFO out_info{};
  file = sf_open(out_path.c_str(), SFM_READ, &out_info);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(out_info.channels, 1);
  EXPECT_EQ(out_info.samplerate, 48000);
  std::vector<float> out(size_t(out_info.frames));
  sf_readf_float(file, out.data(), out_info.frames);
  sf_close(file);
  std::remove(in_path.c_str());
  std::remove(out_path.c_str());

  const float values[parameter_count] = {85, 50, 50, 70, 130, 0};
  std::vector<float> expected(signal.size());
  direct_engine(48000, values).process(signal.data(), expected.data(), uint32_t(signal.size()));
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_EQ(out, expected);
}

}  // namespace
