#pragma once

// The on-demand suite table: each suite is acquired from the basic suite the
// first time it is asked for and released when the table is destroyed. A
// suite that cannot be had throws PF_Err_BAD_CALLBACK_PARAM (516) as a PF_Err,
// which the command boundary returns to the host. Header-only, so that the
// renderer and the gradient wheel use the same table.

#include <cstdint>
#include <cstring>
#include <vector>

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "host_api/aegp_suites.h"
#include "host_support/give_back_quietly.h"

class AEGP_SuiteHandler {
 public:
  explicit AEGP_SuiteHandler(const SPBasicSuite* basic) : basic_(basic) {}
  ~AEGP_SuiteHandler() {
    for (auto it = acquired_.rbegin(); it != acquired_.rend(); ++it) {
      give_back_quietly([&] { basic_->ReleaseSuite(it->name, it->version); });
    }
  }
  AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
  AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

#define TARVOLK_SUITE(accessor, type, name, version) \
  const type* accessor() {                           \
    return acquire<type>(name, version);             \
  }
  TARVOLK_SUITE(HandleSuite1, PF_HandleSuite1, kPFHandleSuite, kPFHandleSuiteVersion1)
  TARVOLK_SUITE(Iterate8Suite1, PF_Iterate8Suite1, kPFIterate8Suite, kPFIterate8SuiteVersion1)
  TARVOLK_SUITE(IterateFloatSuite1, PF_iterateFloatSuite1, kPFIterateFloatSuite,
                kPFIterateFloatSuiteVersion1)
  TARVOLK_SUITE(ParamUtilsSuite3, PF_ParamUtilsSuite3, kPFParamUtilsSuite,
                kPFParamUtilsSuiteVersion3)
  TARVOLK_SUITE(AppSuite6, PFAppSuite6, kPFAppSuite, kPFAppSuiteVersion6)
  TARVOLK_SUITE(ANSICallbacksSuite1, PF_ANSICallbacksSuite1, kPFANSISuite, kPFANSISuiteVersion1)
  TARVOLK_SUITE(EffectCustomUISuite1, PF_EffectCustomUISuite1, kPFEffectCustomUISuite,
                kPFEffectCustomUISuiteVersion1)
  TARVOLK_SUITE(ColorParamSuite1, PF_ColorParamSuite1, kPFColorParamSuite,
                kPFColorParamSuiteVersion1)
  TARVOLK_SUITE(WorldTransformSuite1, PF_WorldTransformSuite1, kPFWorldTransformSuite,
                kPFWorldTransformSuiteVersion1)
  TARVOLK_SUITE(PathQuerySuite1, PF_PathQuerySuite1, kPFPathQuerySuite, kPFPathQuerySuiteVersion1)
  TARVOLK_SUITE(PathDataSuite1, PF_PathDataSuite1, kPFPathDataSuite, kPFPathDataSuiteVersion1)
  TARVOLK_SUITE(PFInterfaceSuite1, AEGP_PFInterfaceSuite1, kAEGPPFInterfaceSuite,
                kAEGPPFInterfaceSuiteVersion1)
  TARVOLK_SUITE(LayerSuite5, AEGP_LayerSuite5, kAEGPLayerSuite, kAEGPLayerSuiteVersion5)
  TARVOLK_SUITE(LayerSuite11, AEGP_LayerSuite11, kAEGPLayerSuite, kAEGPLayerSuiteVersion11)
  TARVOLK_SUITE(LayerSuite13, AEGP_LayerSuite13, kAEGPLayerSuite, kAEGPLayerSuiteVersion13)
  TARVOLK_SUITE(StreamSuite4, AEGP_StreamSuite4, kAEGPStreamSuite, kAEGPStreamSuiteVersion4)
  TARVOLK_SUITE(StreamSuite7, AEGP_StreamSuite7, kAEGPStreamSuite, kAEGPStreamSuiteVersion7)
  TARVOLK_SUITE(StreamSuite9, AEGP_StreamSuite9, kAEGPStreamSuite, kAEGPStreamSuiteVersion9)
  TARVOLK_SUITE(DynamicStreamSuite2, AEGP_DynamicStreamSuite2, kAEGPDynamicStreamSuite,
                kAEGPDynamicStreamSuiteVersion2)
  TARVOLK_SUITE(DynamicStreamSuite5, AEGP_DynamicStreamSuite5, kAEGPDynamicStreamSuite,
                kAEGPDynamicStreamSuiteVersion5)
  TARVOLK_SUITE(EffectSuite1, AEGP_EffectSuite1, kAEGPEffectSuite, kAEGPEffectSuiteVersion1)
  TARVOLK_SUITE(EffectSuite2, AEGP_EffectSuite2, kAEGPEffectSuite, kAEGPEffectSuiteVersion2)
  TARVOLK_SUITE(EffectSuite3, AEGP_EffectSuite3, kAEGPEffectSuite, kAEGPEffectSuiteVersion3)
  TARVOLK_SUITE(UtilitySuite7, AEGP_UtilitySuite7, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion7)
  TARVOLK_SUITE(UtilitySuite11, AEGP_UtilitySuite11, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion11)
  TARVOLK_SUITE(CompSuite11, AEGP_CompSuite11, kAEGPCompSuite, kAEGPCompSuiteVersion11)
  TARVOLK_SUITE(TextLayerSuite1, AEGP_TextLayerSuite1, kAEGPTextLayerSuite,
                kAEGPTextLayerSuiteVersion1)
  TARVOLK_SUITE(MaskOutlineSuite5, AEGP_MaskOutlineSuite5, kAEGPMaskOutlineSuite,
                kAEGPMaskOutlineSuiteVersion5)
#undef TARVOLK_SUITE

  // `name` must outlive the table (the suite names are string literals).
  template <class Suite>
  const Suite* acquire(const char* name, int32_t version) {
    for (const Entry& entry : acquired_) {
      if (entry.version == version && std::strcmp(entry.name, name) == 0) {
        return static_cast<const Suite*>(entry.suite);
      }
    }
    if (basic_ == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    const void* suite = nullptr;
    if (basic_->AcquireSuite(name, version, &suite) != kSPNoError) {
      throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    }
    // Acquired, so released at the end even when the host gave no table.
    acquired_.push_back({name, version, suite});
    if (suite == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    return static_cast<const Suite*>(suite);
  }

 private:
  struct Entry {
    const char* name;
    int32_t version;
    const void* suite;
  };
  const SPBasicSuite* basic_;
  std::vector<Entry> acquired_;
};
