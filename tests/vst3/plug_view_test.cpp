// The plug view without an editor: interfaces, platform types, sizes, and
// the two orders in which host and controller let go of it.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "abi_plug_view.h"
#include "controller.h"
#include "test_objects.h"

namespace {

struct PlugViewTest : testing::Test {
  controller *c = make_controller();
  IPlugView *view = reinterpret_cast<IPlugView *>(c->edit_controller_face->createView(c, "editor"));
  const IPlugViewVtbl *v = view ? view->vtbl : nullptr;
  void TearDown() override {
    if (view) release(view);
    if (c) release(c);
  }
};

TEST_F(PlugViewTest, AnswersItsInterfacesAndCounts) {
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(query(view, FUnknown_iid), view);
  EXPECT_EQ(query(view, IPlugView_iid), view);
  EXPECT_EQ(query(view, IPlugFrame_iid), nullptr);
  EXPECT_EQ(reinterpret_cast<plug_view *>(view)->refcount, 3);
  EXPECT_EQ(release(view), 2u);
  EXPECT_EQ(add_ref(view), 3u);
  EXPECT_EQ(release(view), 2u);
  EXPECT_EQ(release(view), 1u);
}

TEST_F(PlugViewTest, PlatformTypes) {
  struct row {
    const char *type;
    tresult supported;
  } rows[] = {
#if defined(_WIN32)
      {"HWND", kResultOk},
#else
      {"HWND", kResultFalse},
#endif
      {"NSView", kResultFalse}, {"X11EmbedWindowID", kResultFalse}, {"hwnd", kResultFalse}, {"", kResultFalse},
      {nullptr, kResultFalse}};
  int parent = 0;
  for (const row &r : rows) {
    SCOPED_TRACE(r.type ? r.type : "(null)");
    EXPECT_EQ(v->isPlatformTypeSupported(view, r.type), r.supported);
    if (r.supported != kResultOk) {
      EXPECT_EQ(v->attached(view, &parent, r.type), kInvalidArgument);
    }
  }
  EXPECT_EQ(v->attached(view, nullptr, "HWND"), kInvalidArgument);
  EXPECT_EQ(reinterpret_cast<plug_view *>(view)->editor_host, nullptr);
}

// Detached: the default size, nothing to resize, nothing handled.
TEST_F(PlugViewTest, DetachedAnswers) {
  ViewRect rect = {7, 7, 7, 7};
  EXPECT_EQ(v->getSize(view, &rect), kResultOk);
  EXPECT_EQ((std::vector<int32_t>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<int32_t>{0, 0, 800, 400}));
  EXPECT_EQ(v->getSize(view, nullptr), kInvalidArgument);
  ViewRect big = {0, 0, 1000, 600};
  EXPECT_EQ(v->onSize(view, &big), kResultFalse);
  EXPECT_EQ(v->onSize(view, nullptr), kResultFalse);
  EXPECT_EQ(v->removed(view), kResultOk);
  EXPECT_EQ(v->canResize(view), kResultOk);
  EXPECT_EQ(v->checkSizeConstraint(view, &big), kResultOk);
  EXPECT_EQ((std::vector<int32_t>{big.left, big.top, big.right, big.bottom}), (std::vector<int32_t>{0, 0, 1000, 600}));
  EXPECT_EQ(v->onWheel(view, 1.0f), kResultFalse);
  EXPECT_EQ(v->onKeyDown(view, u'a', 0, 0), kResultFalse);
  EXPECT_EQ(v->onKeyUp(view, u'a', 0, 0), kResultFalse);
  EXPECT_EQ(v->onFocus(view, 1), kResultFalse);
  IPlugFrame frame{};
  EXPECT_EQ(v->setFrame(view, &frame), kResultOk);
  EXPECT_EQ(reinterpret_cast<plug_view *>(view)->frame, &frame);
}

// Gestures change the controller's values with the host's snapping and
// clamping, and reach the handler as normalized values in the stated orders.
TEST_F(PlugViewTest, GesturesReportThroughTheComponentHandler) {
  recording_handler handler;
  constexpr ParamID drive = 1955105482, volume = 115099194, bypass = 150732888;
  // Without a handler only the values change.
  plug_view_param_set(view, 4, 150.0f);
  EXPECT_EQ(c->values[4], 150.0);
  ASSERT_EQ(c->edit_controller_face->setComponentHandler(c, handler.handler()), kResultOk);
  struct row {
    void (*gesture)(void *, uint32_t, float);
    uint32_t index;
    float value;
    double stored;
    std::vector<handler_call> calls;
  } rows[] = {
      {plug_view_param_begin, 0, 50.0f, 50.0, {{"begin", drive, 0}, {"perform", drive, 0.5}}},
      {plug_view_param_set, 4, 150.0f, 150.0, {{"perform", volume, 0.75}}},
      {plug_view_param_end, 0, 100.0f, 100.0, {{"perform", drive, 1.0}, {"end", drive, 0}}},
      {plug_view_param_set, 4, 250.0f, 200.0, {{"perform", volume, 1.0}}},
      {plug_view_param_set, 4, -3.0f, 0.0, {{"perform", volume, 0.0}}},
      {plug_view_param_set, 5, 0.3f, 0.0, {{"perform", bypass, 0.0}}},
      {plug_view_param_set, 5, 0.5f, 1.0, {{"perform", bypass, 1.0}}},
      {plug_view_param_set, 6, 1.0f, -1, {}},
      {plug_view_param_set, 0, std::numeric_limits<float>::quiet_NaN(), -1, {}},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(testing::Message() << r.index << " " << r.value);
    handler.calls.clear();
    const double before[6] = {c->values[0], c->values[1], c->values[2], c->values[3], c->values[4], c->values[5]};
    r.gesture(view, r.index, r.value);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c->values[i], int(r.index) == i && r.stored >= 0 ? r.stored : before[i]);
    EXPECT_EQ(handler.calls, r.calls);
  }
  release(c);
  c = nullptr;
}

// The host releases the view first: it leaves its slot free for the next.
TEST_F(PlugViewTest, ReleasedBeforeTheController) {
  EXPECT_EQ(release(view), 0u);
  view = nullptr;
  EXPECT_EQ(c->views[0], nullptr);
  FUnknown *next = c->edit_controller_face->createView(c, "editor");
  EXPECT_EQ(c->views[0], reinterpret_cast<plug_view *>(next));
  EXPECT_EQ(c->view_count, 1);
  release(next);
}

// The controller goes first: the host's reference stays good and the view,
// now without a controller, neither reports gestures nor touches the freed
// controller when it goes (the sanitizer builds see any such touch).
TEST_F(PlugViewTest, ControllerReleasedWhileTheHostHoldsTheView) {
  recording_handler handler;
  ASSERT_EQ(c->edit_controller_face->setComponentHandler(c, handler.handler()), kResultOk);
  add_ref(view);
  release(c);
  c = nullptr;
  EXPECT_EQ(handler.refcount, 1);
  plug_view *pv = reinterpret_cast<plug_view *>(view);
  EXPECT_EQ(pv->refcount, 2);
  EXPECT_EQ(pv->controller, nullptr);
  plug_view_param_begin(view, 0, 10.0f);
  EXPECT_TRUE(handler.calls.empty());
  ViewRect rect{};
  EXPECT_EQ(v->getSize(view, &rect), kResultOk);
  EXPECT_EQ(release(view), 1u);
  EXPECT_EQ(release(view), 0u);
  view = nullptr;
}

}  // namespace
