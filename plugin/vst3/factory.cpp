#include "plugin/vst3/factory.h"

#include "plugin/vst3/class_ids.h"
#include "plugin/vst3/text16.h"
#include "plugin/vst3/vst3_plugin.h"

#ifndef VORN_VERSION_TEXT
#define VORN_VERSION_TEXT "0"
#endif

namespace vst3_shell {

namespace {

using namespace vst3;

// The processor class answers the controller interfaces too, so it may not
// run apart from itself: no kDistributable.
constexpr uint32 processor_class_flags = 0;

class factory final : public IPluginFactory3 {
 public:
  tresult VST3_CALL queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (iid::FUnknown.matches(iid) || iid::IPluginFactory.matches(iid) || iid::IPluginFactory2.matches(iid) ||
        iid::IPluginFactory3.matches(iid)) {
      *obj = static_cast<IPluginFactory3*>(this);
      return kResultOk;
    }
    return kNoInterface;
  }
  uint32 VST3_CALL addRef() override { return 1; }
  uint32 VST3_CALL release() override { return 1; }

  tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) override {
    if (!info) return kInvalidArgument;
    *info = PFactoryInfo{};
    copy_ascii(info->vendor, sizeof info->vendor, vendor_name);
    copy_ascii(info->url, sizeof info->url, vendor_url);
    copy_ascii(info->email, sizeof info->email, vendor_email);
    info->flags = kUnicode;
    return kResultOk;
  }

  int32 VST3_CALL countClasses() override { return 1; }

  tresult VST3_CALL getClassInfo(int32 index, PClassInfo* info) override {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfo{};
    fill_common(info->cid, info->cardinality, info->category);
    copy_ascii(info->name, sizeof info->name, plugin_name);
    return kResultOk;
  }

  tresult VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) override {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfo2{};
    fill_common(info->cid, info->cardinality, info->category);
    copy_ascii(info->name, sizeof info->name, plugin_name);
    info->classFlags = processor_class_flags;
    copy_ascii(info->subCategories, sizeof info->subCategories, sub_categories);
    copy_ascii(info->vendor, sizeof info->vendor, vendor_name);
    copy_ascii(info->version, sizeof info->version, VORN_VERSION_TEXT);
    copy_ascii(info->sdkVersion, sizeof info->sdkVersion, sdk_version);
    return kResultOk;
  }

  tresult VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) override {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfoW{};
    fill_common(info->cid, info->cardinality, info->category);
    copy_to_utf16(info->name, 64, plugin_name);
    info->classFlags = processor_class_flags;
    copy_ascii(info->subCategories, sizeof info->subCategories, sub_categories);
    copy_to_utf16(info->vendor, 64, vendor_name);
    copy_to_utf16(info->version, 64, VORN_VERSION_TEXT);
    copy_to_utf16(info->sdkVersion, 64, sdk_version);
    return kResultOk;
  }

  tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return kInvalidArgument;
    if (!processor_cid.matches(cid)) return kNoInterface;
    vst3_plugin* made = vst3_plugin::create();
    if (!made) return kOutOfMemory;
    const tresult r = made->queryInterface(iid, obj);
    made->release();  // the caller's reference, if any, is the one from queryInterface
    return r;
  }

  tresult VST3_CALL setHostContext(FUnknown* context) override { return kResultOk; }

 private:
  static void fill_common(char* cid, int32& cardinality, char* category) {
    for (int i = 0; i < 16; ++i) cid[i] = char(processor_cid.bytes[i]);
    cardinality = kManyInstances;
    copy_ascii(category, 32, processor_category);
  }
};

factory the_factory;

}  // namespace

IPluginFactory* plugin_factory() { return &the_factory; }

}  // namespace vst3_shell
