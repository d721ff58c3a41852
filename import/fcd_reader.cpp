#include "import/fcd_reader.h"

#include <cmath>

#include "import/csv_table.h"
#include "import/scene_builder.h"

XmlSource xml_file_source(const std::string& path, const ImportProgress& progress) {
    return [path, progress](XmlHandler& handler, std::string& error) {
        return stream_xml_file(path, handler, error, progress);
    };
}

namespace {

const std::string_view* find(const XmlAttribute* a, size_t n, std::string_view name) {
    for (size_t i = 0; i < n; ++i)
        if (a[i].name == name) return &a[i].value;
    return nullptr;
}

class TypeHandler : public XmlHandler {
  public:
    explicit TypeHandler(VehicleTypes& types) : types_(types) {}
    bool start_element(std::string_view name, const XmlAttribute* a, size_t n, long) override {
        if (name != "vType") return true;
        const std::string_view* id = find(a, n, "id");
        if (!id) return true;
        VehicleTypeSize size;
        double v = 0;
        if (const std::string_view* l = find(a, n, "length"); l && parse_csv_real(*l, v) && v > 0)
            size.length = v;
        if (const std::string_view* w = find(a, n, "width"); w && parse_csv_real(*w, v) && v > 0)
            size.width = v;
        types_[std::string(*id)] = size;
        return true;
    }
    bool end_element(std::string_view) override { return true; }

  private:
    VehicleTypes& types_;
};

// The walk through the file that both the list and a scene make.
class FcdHandler : public XmlHandler {
  public:
    FcdHandler(const std::string& name, const VehicleTypes& types, const ImportOptions& options)
        : name_(name), types_(types), options_(options) {}

    std::string error;
    std::vector<VehicleInfo> vehicles;  // by id - 1

    bool start_element(std::string_view el, const XmlAttribute* a, size_t n, long line) override {
        if (!seen_root_) {
            seen_root_ = true;
            if (el != "fcd-export") {
                error = name_ + ":" + std::to_string(line) + ": the root element <" +
                        std::string(el) + "> is not <fcd-export>";
                return false;
            }
            return true;
        }
        if (el == "timestep") {
            const std::string_view* t = find(a, n, "time");
            double seconds = 0;
            if (!t || !parse_csv_real(*t, seconds) || std::fabs(seconds) > 9e12) {
                return fail(line, "<timestep> without a time in seconds");
            }
            ++frame_;
            if (frame_ == INT32_MAX) return fail(line, "too many timesteps");
            time_ = std::llround(seconds * 1000) + options_.time_offset_ms;
            in_step_ = true;
            return begin_step();
        }
        if (el != "vehicle") return true;
        if (!in_step_) return fail(line, "<vehicle> outside a <timestep>");
        const std::string_view* id = find(a, n, "id");
        if (!id) return fail(line, "<vehicle> without an id");
        TrackSample s;
        s.frame = frame_;
        s.time_ms = time_;
        double angle = 0;
        const char* bad = nullptr;
        const std::string_view* v;
        if (!(v = find(a, n, "x")) || !parse_csv_real(*v, s.x))
            bad = "x";
        else if (!(v = find(a, n, "y")) || !parse_csv_real(*v, s.y))
            bad = "y";
        else if (!(v = find(a, n, "angle")) || !parse_csv_real(*v, angle))
            bad = "angle";
        else if ((v = find(a, n, "speed")) && !parse_csv_real(*v, s.speed))
            bad = "speed";
        if (bad)
            return fail(line, "<vehicle id=\"" + std::string(*id) + "\">: attribute " + bad +
                                  " missing or not a number");
        key_.assign(id->data(), id->size());
        auto [it, fresh] = ids_.try_emplace(key_, 0);
        if (fresh) {
            if (vehicles.size() >= INT32_MAX) return fail(line, "too many vehicles");
            it->second = static_cast<int32_t>(vehicles.size() + 1);
            VehicleInfo info;
            info.id = it->second;
            info.name = key_;
            const std::string_view* type = find(a, n, "type");
            info.vclass = type ? std::string(*type) : "";
            const auto ty = types_.find(info.vclass);
            const VehicleTypeSize size = ty == types_.end() ? VehicleTypeSize() : ty->second;
            info.length = size.length;
            info.width = size.width;
            info.first_frame = frame_;
            info.first_time_ms = time_;
            vehicles.push_back(info);
        }
        VehicleInfo& info = vehicles[static_cast<size_t>(it->second - 1)];
        info.last_frame = frame_;
        info.last_time_ms = time_;
        ++info.samples;
        s.length = info.length;
        s.width = info.width;
        const double r = angle * M_PI / 180;
        s.fx = std::sin(r);
        s.fy = std::cos(r);
        s.x -= s.fx * s.length / 2;
        s.y -= s.fy * s.length / 2;
        return vehicle(info.id, s);
    }

    bool end_element(std::string_view el) override {
        if (el != "timestep") return true;
        in_step_ = false;
        return end_step();
    }

  protected:
    virtual bool begin_step() { return true; }
    virtual bool vehicle(int32_t, const TrackSample&) { return true; }
    virtual bool end_step() { return true; }

    bool fail(long line, const std::string& what) {
        error = name_ + ":" + std::to_string(line) + ": " + what;
        return false;
    }

    const std::string& name_;
    const VehicleTypes& types_;
    const ImportOptions& options_;

  private:
    std::unordered_map<std::string, int32_t> ids_;
    std::string key_;
    bool seen_root_ = false;
    bool in_step_ = false;
    int32_t frame_ = -1;
    int64_t time_ = 0;
};

// A scene: each timestep is held until its end, when the ego's pose is known.
class SceneHandler : public FcdHandler {
  public:
    SceneHandler(const std::string& name, const VehicleTypes& types, const ImportOptions& options,
                 const std::string& ego_name)
        : FcdHandler(name, types, options), ego_name_(ego_name) {}

    VehicleTrack ego;
    std::vector<VehicleTrack> others;
    int32_t ego_id = 0;

  protected:
    bool begin_step() override {
        step_.clear();
        ego_here_ = false;
        return true;
    }
    bool vehicle(int32_t id, const TrackSample& s) override {
        if (ego_id == 0 && vehicles[static_cast<size_t>(id - 1)].name == ego_name_) ego_id = id;
        if (id == ego_id) {
            ego_here_ = true;
            ego_sample_ = s;
        } else {
            step_.emplace_back(id, s);
        }
        return true;
    }
    bool end_step() override {
        if (!ego_here_) return true;
        const TrackSample& e = ego_sample_;
        const bool window = (!options_.has_from || e.time_ms >= options_.from_ms) &&
                            (!options_.has_to || e.time_ms <= options_.to_ms);
        if (!window) return true;
        ego.samples.push_back(e);
        const double r2 = options_.radius >= 0 ? options_.radius * options_.radius : -1;
        for (const auto& [id, s] : step_) {
            const double dx = s.x - e.x, dy = s.y - e.y;
            if (r2 >= 0 && dx * dx + dy * dy > r2) continue;
            if (static_cast<size_t>(id) > track_of_.size()) track_of_.resize(id, -1);
            int& slot = track_of_[static_cast<size_t>(id - 1)];
            if (slot < 0) {
                slot = static_cast<int>(others.size());
                others.emplace_back();
                others.back().info = vehicles[static_cast<size_t>(id - 1)];
            }
            others[static_cast<size_t>(slot)].samples.push_back(s);
        }
        return true;
    }

  private:
    const std::string& ego_name_;
    std::vector<std::pair<int32_t, TrackSample>> step_;
    std::vector<int> track_of_;
    TrackSample ego_sample_;
    bool ego_here_ = false;
};

bool run(const XmlSource& source, FcdHandler& handler, std::string& error) {
    std::string stream_error;
    if (!source(handler, stream_error)) {
        error = !handler.error.empty() ? handler.error : stream_error;
        return false;
    }
    return true;
}

}  // namespace

bool read_vehicle_types(const XmlSource& source, VehicleTypes& types, std::string& error) {
    TypeHandler handler(types);
    return source(handler, error);
}

bool list_fcd(const XmlSource& source, const std::string& name, const VehicleTypes& types,
              const ImportOptions& options, DatasetListing& listing, std::string& error) {
    FcdHandler handler(name, types, options);
    if (!run(source, handler, error)) return false;
    if (handler.vehicles.empty()) {
        error = name + ": no <vehicle> in any <timestep>";
        return false;
    }
    listing.vehicles = std::move(handler.vehicles);
    return true;
}

bool load_fcd_scene(const XmlSource& source, const std::string& name, const VehicleTypes& types,
                    const ImportOptions& options, const std::string& ego_name, VehicleTrack& ego,
                    std::vector<VehicleTrack>& others, std::string& error) {
    SceneHandler handler(name, types, options, ego_name);
    if (!run(source, handler, error)) return false;
    if (handler.ego_id == 0) {
        error = name + ": no vehicle " + ego_name;
        return false;
    }
    handler.ego.info = handler.vehicles[static_cast<size_t>(handler.ego_id - 1)];
    ego = std::move(handler.ego);
    others = std::move(handler.others);
    for (VehicleTrack& t : others) {
        t.info = handler.vehicles[static_cast<size_t>(t.info.id - 1)];
    }
    return true;
}
