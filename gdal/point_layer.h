// A layer of the driver: its features held in memory, in the order of the
// database's records (the feature id is the record's index from 0), read
// with OGR's own spatial and attribute filters. A writable layer tells its
// dataset of each change, which writes the database whole when it closes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <ogrsf_frmts.h>

namespace vezuved_gdal {

class PointLayer final : public OGRLayer {
public:
    // definition: taken over (one reference). changed: called on each
    // change; save: writes the changes now (an editor's save), false when
    // the write failed.
    PointLayer(OGRFeatureDefn* definition,
               bool writable,
               std::function<void()> changed,
               std::function<bool()> save);
    ~PointLayer() override;

    // A feature read from the database, its id the next index.
    void Add(std::unique_ptr<OGRFeature> feature);
    // Refuses every change, with the reason given ("edit the points of ...").
    void RefuseChanges(const std::string& why) { refusal_ = why; }
    // The features as they are now, deleted ones as null.
    const std::vector<std::unique_ptr<OGRFeature>>& Features() const { return features_; }

    void ResetReading() override { next_ = 0; }
    OGRFeature* GetNextFeature() override;
    OGRFeature* GetFeature(GIntBig id) override;
    OGRFeatureDefn* GetLayerDefn() override { return definition_; }
    GIntBig GetFeatureCount(int force) override;
    int TestCapability(const char* capability) override;
    OGRErr CreateField(OGRFieldDefn* field, int approximate) override;
    OGRErr DeleteFeature(GIntBig id) override;
    OGRErr SyncToDisk() override { return save_() ? OGRERR_NONE : OGRERR_FAILURE; }

protected:
    OGRErr ISetFeature(OGRFeature* feature) override;
    OGRErr ICreateFeature(OGRFeature* feature) override;

private:
    bool Refused();
    // The feature of an id, when there is one (not deleted).
    std::unique_ptr<OGRFeature>* Held(GIntBig id);

    OGRFeatureDefn* definition_;
    bool writable_;
    std::function<void()> changed_;
    std::function<bool()> save_;
    std::string refusal_;
    std::vector<std::unique_ptr<OGRFeature>> features_;
    size_t next_ = 0;
};

}  // namespace vezuved_gdal
