#include <cmath>

#include "parameter_conversion.h"
#include "processor.h"
#include "processor_values_lock.h"

namespace {

// After a state call: a restored state wins over host values that arrived
// meanwhile; otherwise host values the engine missed while the lock was
// taken reach it now.
void reconcile(processor *p) {
  if (p->restore_pending) {
    for (int i = 0; i < parameter_count; ++i) {
      p->host_values[i] = p->applied_values[i];
      engine_set_parameter(&p->engine, i, p->applied_values[i]);
    }
  } else {
    for (int i = 0; i < parameter_count; ++i) {
      float h = p->host_values[i], a = p->applied_values[i];
      if (h != a || std::isnan(h) || std::isnan(a)) {
        p->applied_values[i] = h;
        engine_set_parameter(&p->engine, i, h);
      }
    }
  }
  p->synced = 1;
  p->restore_pending = 0;
}

}  // namespace

void apply_parameter_changes(processor *p, const ProcessData *data, bool at_start) {
  const bool ours = values_lock_try(&p->values_lock);
  if (ours && !p->synced) reconcile(p);
  IParameterChanges *changes = data->inputParameterChanges;
  if (changes) {
    const int32_t queues = changes->vtbl->getParameterCount(changes);
    for (int32_t q = 0; q < queues; ++q) {
      IParamValueQueue *queue = changes->vtbl->getParameterData(changes, q);
      if (!queue) continue;
      const int32_t points = queue->vtbl->getPointCount(queue);
      if (points <= 0) continue;
      int32_t offset = 0;
      ParamValue normalized = 0;
      if (queue->vtbl->getPoint(queue, at_start ? 0 : points - 1, &offset, &normalized) != kResultOk) continue;
      // The first point applies before the block only at offset 0; the last
      // applies after it only past offset 0. Points between are dropped.
      if (at_start ? offset != 0 : offset <= 0) continue;
      const int index = parameter_index_of_id(queue->vtbl->getParameterId(queue));
      if (index < 0) continue;
      const double plain = parameter_snap_clamp(index, parameter_plain(index, normalized));
      if (plain == double(p->host_values[index])) continue;
      p->host_values[index] = float(plain);
      if (ours) {
        p->applied_values[index] = float(plain);
        engine_set_parameter(&p->engine, index, float(plain));
      }
    }
  }
  if (ours) values_lock_release(&p->values_lock);
}
