#include "point_layer.h"

#include <utility>

namespace vezuved_gdal {

PointLayer::PointLayer(OGRFeatureDefn* definition,
                       bool writable,
                       std::function<void()> changed,
                       std::function<bool()> save)
    : definition_(definition), writable_(writable), changed_(std::move(changed)), save_(std::move(save)) {
    SetDescription(definition->GetName());
}

PointLayer::~PointLayer() {
    features_.clear();
    definition_->Release();
}

void PointLayer::Add(std::unique_ptr<OGRFeature> feature) {
    feature->SetFID(static_cast<GIntBig>(features_.size()));
    features_.push_back(std::move(feature));
}

OGRFeature* PointLayer::GetNextFeature() {
    while (next_ < features_.size()) {
        OGRFeature* feature = features_[next_++].get();
        if (feature == nullptr) continue;
        if ((m_poFilterGeom == nullptr || FilterGeometry(feature->GetGeometryRef())) &&
            (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature)))
            return feature->Clone();
    }
    return nullptr;
}

std::unique_ptr<OGRFeature>* PointLayer::Held(GIntBig id) {
    if (id < 0 || static_cast<size_t>(id) >= features_.size() || !features_[static_cast<size_t>(id)])
        return nullptr;
    return &features_[static_cast<size_t>(id)];
}

OGRFeature* PointLayer::GetFeature(GIntBig id) {
    const std::unique_ptr<OGRFeature>* held = Held(id);
    return held != nullptr ? (*held)->Clone() : nullptr;
}

GIntBig PointLayer::GetFeatureCount(int force) {
    if (m_poFilterGeom != nullptr || m_poAttrQuery != nullptr) return OGRLayer::GetFeatureCount(force);
    GIntBig count = 0;
    for (const auto& feature : features_) count += feature ? 1 : 0;
    return count;
}

int PointLayer::TestCapability(const char* capability) {
    if (EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCStringsAsUTF8) ||
        EQUAL(capability, OLCZGeometries))
        return TRUE;
    if (EQUAL(capability, OLCFastFeatureCount)) return m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    const bool changes = writable_ && refusal_.empty();
    if (EQUAL(capability, OLCSequentialWrite) || EQUAL(capability, OLCRandomWrite) ||
        EQUAL(capability, OLCDeleteFeature))
        return changes;
    // Fields are named before the first feature arrives; a database holds no others.
    if (EQUAL(capability, OLCCreateField)) return changes && features_.empty();
    return FALSE;
}

bool PointLayer::Refused() {
    if (!writable_) {
        CPLError(CE_Failure, CPLE_NotSupported, "'%s' is open for reading only", definition_->GetName());
        return true;
    }
    if (!refusal_.empty()) {
        CPLError(CE_Failure, CPLE_NotSupported, "%s", refusal_.c_str());
        return true;
    }
    return false;
}

OGRErr PointLayer::CreateField(OGRFieldDefn* field, int) {
    if (Refused()) return OGRERR_UNSUPPORTED_OPERATION;
    if (definition_->GetFieldIndex(field->GetNameRef()) >= 0) return OGRERR_NONE;
    if (!features_.empty()) {
        CPLError(CE_Failure,
                 CPLE_NotSupported,
                 "a database holds no field '%s': it holds a point's name, description, elevation, time and "
                 "symbol",
                 field->GetNameRef());
        return OGRERR_UNSUPPORTED_OPERATION;
    }
    // Kept so that a copy's features carry it; said and left out when written.
    definition_->AddFieldDefn(field);
    return OGRERR_NONE;
}

OGRErr PointLayer::ICreateFeature(OGRFeature* feature) {
    if (Refused()) return OGRERR_UNSUPPORTED_OPERATION;
    std::unique_ptr<OGRFeature> held(new OGRFeature(definition_));
    held->SetFrom(feature, TRUE);
    Add(std::move(held));
    feature->SetFID(static_cast<GIntBig>(features_.size() - 1));
    changed_();
    return OGRERR_NONE;
}

OGRErr PointLayer::ISetFeature(OGRFeature* feature) {
    if (Refused()) return OGRERR_UNSUPPORTED_OPERATION;
    std::unique_ptr<OGRFeature>* held = Held(feature->GetFID());
    if (held == nullptr) return OGRERR_NON_EXISTING_FEATURE;
    std::unique_ptr<OGRFeature> changed(new OGRFeature(definition_));
    changed->SetFrom(feature, TRUE);
    changed->SetFID(feature->GetFID());
    *held = std::move(changed);
    changed_();
    return OGRERR_NONE;
}

OGRErr PointLayer::DeleteFeature(GIntBig id) {
    if (Refused()) return OGRERR_UNSUPPORTED_OPERATION;
    std::unique_ptr<OGRFeature>* held = Held(id);
    if (held == nullptr) return OGRERR_NON_EXISTING_FEATURE;
    held->reset();
    changed_();
    return OGRERR_NONE;
}

}  // namespace vezuved_gdal
