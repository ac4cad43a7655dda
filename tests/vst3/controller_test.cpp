// The controller: interfaces and counts, the parameter table, text
// conversion both ways, normalized values, the component handler and the
// views it keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "abi_component.h"
#include "controller.h"
#include "parameter_conversion.h"
#include "test_objects.h"

namespace {

constexpr ParamID drive_id = 1955105482, tone_id = 1278044914, heat_id = 417465296, mix_id = 907392060,
                  volume_id = 115099194, bypass_id = 150732888;

struct ControllerTest : testing::Test {
  controller *c = make_controller();
  const IEditControllerVtbl *e = c->edit_controller_face;
  void TearDown() override {
    if (c) release(c);
  }
  std::u16string text_of(ParamID id, double normalized) {
    char16 text[128];
    std::fill(std::begin(text), std::end(text), u'#');
    if (e->getParamStringByValue(c, id, normalized, text) != kResultOk) return u"(refused)";
    return text;
  }
  double value_of(ParamID id, std::u16string text) {
    ParamValue value = -99;
    EXPECT_EQ(e->getParamValueByString(c, id, text.data(), &value), kResultOk);
    return value;
  }
};

TEST_F(ControllerTest, EveryFaceAnswersEveryInterfaceAndCounts) {
  void *faces[] = {&c->edit_controller_face, &c->midi_mapping_face, &c->connection_point_face};
  struct row {
    const vst3_uid *iid;
    void *expected;
  } rows[] = {{&FUnknown_iid, faces[0]},     {&IPluginBase_iid, faces[0]},      {&IEditController_iid, faces[0]},
              {&IMidiMapping_iid, faces[1]}, {&IConnectionPoint_iid, faces[2]}, {&IComponent_iid, nullptr}};
  int32_t count = 1;
  for (void *face : faces)
    for (const row &r : rows) {
      EXPECT_EQ(query(face, *r.iid), r.expected);
      if (r.expected) ++count;
      EXPECT_EQ(c->refcount, count);
    }
  for (; count > 1; --count) EXPECT_EQ(release(faces[count % 3]), uint32_t(count - 1));
  ParamID id = 7;
  EXPECT_EQ(c->midi_mapping_face->getMidiControllerAssignment(faces[1], 0, 0, 7, &id), kInvalidArgument);
  EXPECT_EQ(c->connection_point_face->connect(faces[2], nullptr), kInvalidArgument);
  EXPECT_EQ(c->connection_point_face->connect(faces[2], this), kResultOk);
  EXPECT_EQ(c->connection_point_face->disconnect(faces[2], this), kResultOk);
  EXPECT_EQ(c->connection_point_face->notify(faces[2], nullptr), kResultOk);
}

TEST_F(ControllerTest, InitializeResetsTheValuesOnce) {
  EXPECT_EQ(e->base.initialize(c, &host_context_stub), kResultOk);
  EXPECT_EQ(e->setParamNormalized(c, drive_id, 0.1), kResultOk);
  EXPECT_EQ(e->base.initialize(c, &host_context_stub), kResultFalse);
  EXPECT_EQ(c->values[0], 10.0);
  EXPECT_EQ(e->base.terminate(c), kResultOk);
  EXPECT_EQ(e->base.initialize(c, &host_context_stub), kResultOk);
  EXPECT_EQ(std::vector<double>(c->values, c->values + 6), (std::vector<double>{50, 50, 50, 100, 100, 0}));
}

TEST_F(ControllerTest, ParameterInfoRows) {
  struct row {
    ParamID id;
    const char16 *title, *units;
    int32_t steps;
    double normalized_default;
    int32_t flags;
  } rows[] = {
      {drive_id, u"Drive", u"%", 0, 0.5, kCanAutomate},   {tone_id, u"Tone", u"%", 0, 0.5, kCanAutomate},
      {heat_id, u"Heat", u"%", 0, 0.5, kCanAutomate},     {mix_id, u"Mix", u"%", 0, 1.0, kCanAutomate},
      {volume_id, u"Volume", u"%", 0, 0.5, kCanAutomate}, {bypass_id, u"Bypass", u"", 1, 0.0, 0x10001},
  };
  EXPECT_EQ(e->getParameterCount(c), 6);
  for (int i = 0; i < 6; ++i) {
    ParameterInfo info;
    std::memset(&info, 0x33, sizeof info);
    ASSERT_EQ(e->getParameterInfo(c, i, &info), kResultOk);
    EXPECT_EQ(info.id, rows[i].id);
    EXPECT_EQ(std::u16string(info.title), rows[i].title);
    EXPECT_EQ(std::u16string(info.shortTitle), rows[i].title);
    EXPECT_EQ(std::u16string(info.units), rows[i].units);
    EXPECT_EQ(info.stepCount, rows[i].steps);
    EXPECT_EQ(info.defaultNormalizedValue, rows[i].normalized_default);
    EXPECT_EQ(info.unitId, 0);
    EXPECT_EQ(info.flags, rows[i].flags);
  }
  ParameterInfo info;
  EXPECT_EQ(e->getParameterInfo(c, 6, &info), kResultFalse);
  EXPECT_EQ(e->getParameterInfo(c, -1, &info), kResultFalse);
}

// Two decimals, cut rather than rounded; a binary rounding error just below
// a hundredth is absorbed first.
TEST_F(ControllerTest, ValuesToText) {
  struct row {
    ParamID id;
    double normalized;
    const char16 *text;
  } rows[] = {
      {drive_id, 0.5, u"50.00"},    {volume_id, 1.0, u"200.00"},   {bypass_id, 1.0, u"1.00"},
      {bypass_id, 0.5, u"0.50"},    {drive_id, 0.29, u"29.00"},    {drive_id, 0.28996, u"28.99"},
      {drive_id, 0.0, u"0.00"},     {drive_id, 0.123456, u"12.34"}, {drive_id, -0.05, u"-5.00"},
      {volume_id, 0.0005, u"0.10"}, {tone_id, 0.07, u"7.00"},      {mix_id, 0.999999, u"99.99"},
      {heat_id, 0.3, u"30.00"},     {drive_id, 0.003, u"0.30"},    {volume_id, 1.25, u"250.00"},
  };
  for (const row &r : rows) EXPECT_EQ(text_of(r.id, r.normalized), r.text) << r.normalized;
  EXPECT_EQ(text_of(42, 0.5), u"(refused)");
  EXPECT_EQ(text_of(drive_id, NAN), u"(refused)");
  EXPECT_EQ(text_of(drive_id, INFINITY), u"(refused)");
  EXPECT_EQ(text_of(drive_id, 1e300), u"(refused)");
  char16 text[128];
  EXPECT_EQ(e->getParamStringByValue(c, 42, 0.5, text), kResultFalse);
}

TEST_F(ControllerTest, TextToValues) {
  struct row {
    ParamID id;
    const char16 *text;
    double normalized;
  } rows[] = {
      {drive_id, u"12abc", 0.12}, {drive_id, u"50.7", 0.507}, {drive_id, u"abc", 0.0},
      {drive_id, u"", 0.0},       {volume_id, u"250", 1.25},  {drive_id, u"-5", -0.05},
      {drive_id, u"33.25 %", 0.3325}, {drive_id, u"7.", 0.07}, {bypass_id, u"1", 1.0},
      {drive_id, u"12.5.6", 0.125}, {volume_id, u"-", 0.0},
  };
  for (const row &r : rows) EXPECT_DOUBLE_EQ(value_of(r.id, r.text), r.normalized) << std::string(r.text, r.text + 3);
  ParamValue value = 5;
  char16 text[] = u"50";
  EXPECT_EQ(e->getParamValueByString(c, 42, text, &value), kResultFalse);
  EXPECT_EQ(value, 5);
}

TEST_F(ControllerTest, NormalizedAndPlainConvertWithoutClamping) {
  EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(c, volume_id, 0.75), 150.0);
  EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(c, volume_id, 1.5), 300.0);
  EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(c, bypass_id, 0.3), 0.3);
  EXPECT_DOUBLE_EQ(e->plainParamToNormalized(c, drive_id, -10), -0.1);
  EXPECT_DOUBLE_EQ(e->plainParamToNormalized(c, volume_id, 50), 0.25);
  EXPECT_EQ(e->normalizedParamToPlain(c, 42, 0.5), 0.0);
  EXPECT_EQ(e->plainParamToNormalized(c, 42, 0.5), 0.0);
  EXPECT_EQ(e->getParamNormalized(c, 42), 0.0);
}

TEST_F(ControllerTest, SetParamNormalizedSnapsAndClamps) {
  struct row {
    ParamID id;
    double normalized, stored, reported;
  } rows[] = {{bypass_id, 0.6, 1, 1}, {bypass_id, 0.4, 0, 0}, {volume_id, 1.5, 200, 1},
              {drive_id, -1, 0, 0},   {mix_id, 0.25, 25, 0.25}};
  for (const row &r : rows) {
    EXPECT_EQ(e->setParamNormalized(c, r.id, r.normalized), kResultOk);
    EXPECT_EQ(c->values[parameter_index_of_id(r.id)], r.stored);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(c, r.id), r.reported);
  }
  const std::vector<double> before(c->values, c->values + 6);
  EXPECT_EQ(e->setParamNormalized(c, 42, 0.5), kResultFalse);
  EXPECT_EQ(e->setParamNormalized(c, drive_id, NAN), kInvalidArgument);
  EXPECT_EQ(std::vector<double>(c->values, c->values + 6), before);
}

TEST_F(ControllerTest, TheHandlerIsHeldOnceAndLetGo) {
  recording_handler first, second;
  EXPECT_EQ(e->setComponentHandler(c, first.handler()), kResultOk);
  EXPECT_EQ(e->setComponentHandler(c, first.handler()), kResultOk);
  EXPECT_EQ(first.refcount, 2);
  EXPECT_EQ(e->setComponentHandler(c, second.handler()), kResultOk);
  EXPECT_EQ(first.refcount, 1);
  EXPECT_EQ(second.refcount, 2);
  EXPECT_EQ(e->setComponentHandler(c, nullptr), kResultOk);
  EXPECT_EQ(second.refcount, 1);
  EXPECT_EQ(e->setComponentHandler(c, first.handler()), kResultOk);
  release(c);
  c = nullptr;
  EXPECT_EQ(first.refcount, 1);  // the final release lets go of it
  EXPECT_TRUE(first.calls.empty());
}

TEST_F(ControllerTest, OnlyTheEditorNameGivesAView) {
  EXPECT_EQ(e->createView(c, "Editor"), nullptr);
  EXPECT_EQ(e->createView(c, nullptr), nullptr);
  EXPECT_EQ(c->view_count, 0);
  FUnknown *view = e->createView(c, "editor");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(c->view_count, 1);
  EXPECT_EQ(release(view), 0u);
  EXPECT_EQ(c->views[0], nullptr);
}

plug_view *new_view(controller *owner, int32_t refcount) {
  auto *view = static_cast<plug_view *>(std::calloc(1, sizeof(plug_view)));
  view->refcount = refcount;
  view->controller = owner;
  return view;
}

// A view lists itself from creation until it goes; a freed slot is reused;
// the final release leaves views the host still holds to the host.
TEST_F(ControllerTest, ViewsAreListedUntilTheyGo) {
  plug_view *a = new_view(c, 1), *b = new_view(c, 1), *held = new_view(c, 2);
  ASSERT_EQ(controller_add_view(c, a), 0);
  ASSERT_EQ(controller_add_view(c, b), 0);
  EXPECT_EQ(c->view_count, 2);
  controller_forget_view(c, a);
  std::free(a);
  EXPECT_EQ(c->views[0], nullptr);
  ASSERT_EQ(controller_add_view(c, held), 0);
  EXPECT_EQ(c->views[0], held);
  EXPECT_EQ(c->view_count, 2);
  EXPECT_EQ(e->setParamNormalized(c, drive_id, 0.2), kResultOk);  // detached views get nothing
  release(c);
  c = nullptr;
  EXPECT_EQ(held->refcount, 2);
  for (plug_view *left : {b, held}) {
    EXPECT_EQ(left->controller, nullptr);  // still the host's to release
    std::free(left);
  }
}

}  // namespace
