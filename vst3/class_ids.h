// The two class ids of the factory, in their canonical four-word form.
// Hosts store them in projects: they never change.
#pragma once

#include "abi_base.h"

#define SKARROW_PROCESSOR_CID_WORDS 0xC3FE697A, 0x631D254B, 0xF4D1ACF6, 0xA95B5D9B
#define SKARROW_CONTROLLER_CID_WORDS 0x24C3D268, 0x348ADA98, 0x82389139, 0x6FC3F4EA

constexpr vst3_uid processor_cid = vst3_make_uid(SKARROW_PROCESSOR_CID_WORDS);
constexpr vst3_uid controller_cid = vst3_make_uid(SKARROW_CONTROLLER_CID_WORDS);
