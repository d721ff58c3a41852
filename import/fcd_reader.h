// A traffic simulator's floating-car data (<fcd-export><timestep time="s">
// <vehicle id x y angle speed type/>...), streamed: the vehicle list needs one
// record per vehicle, a scene only the ego's frames and what lies around it.
//
// (x, y) is the front bumper's centre; angle is in degrees clockwise from north.
// Vehicle ids are strings; they become ids 1, 2, 3, ... in the order of their
// first appearance. Frames are the timesteps' indices from 0.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/dataset.h"
#include "import/xml_stream.h"

// The box of a vehicle type; the simulator's default when a type is not given.
struct VehicleTypeSize {
    double length = 5.0;
    double width = 1.8;
};
using VehicleTypes = std::unordered_map<std::string, VehicleTypeSize>;

// Streams an XML source through a handler (a file, or text in tests).
using XmlSource = std::function<bool(XmlHandler& handler, std::string& error)>;
XmlSource xml_file_source(const std::string& path, const ImportProgress& progress = {});

// The <vType> elements of a source (route or additional files), added to types.
bool read_vehicle_types(const XmlSource& source, VehicleTypes& types, std::string& error);

bool list_fcd(const XmlSource& source, const std::string& name, const VehicleTypes& types,
              const ImportOptions& options, DatasetListing& listing, std::string& error);

// The ego (by its id as the file writes it) and the samples of every other
// vehicle at the ego's frames, inside the time window and radius.
bool load_fcd_scene(const XmlSource& source, const std::string& name, const VehicleTypes& types,
                    const ImportOptions& options, const std::string& ego_name, VehicleTrack& ego,
                    std::vector<VehicleTrack>& others, std::string& error);
