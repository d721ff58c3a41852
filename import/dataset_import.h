// Opening a public traffic recording as a scene: the list of its vehicles, and for
// a chosen ego the texts of the files the viewers read (.nav pose track, TRAJ
// file, trajcolset.ini), made in memory. Writing them is the caller's business
// (the console program writes them atomically; a viewer may load them directly).
//
// Formats: highD-style NN_tracks.csv (with NN_tracksMeta.csv and
// NN_recordingMeta.csv beside it), inD/rounD/exiD NN_tracks.csv, NGSIM CSV and
// a simulator's FCD XML (with --vtypes files for the vehicles' sizes).
#pragma once

#include <string>
#include <vector>

#include "import/dataset.h"

// The format of a file from its header line or root element. False, with error
// set, when the file cannot be read or is none of the formats.
bool guess_dataset_format(const std::string& path, DatasetFormat& format, std::string& error);

// Every vehicle of the recording at path, ascending by id, and the longest-lived
// one. options.format Auto guesses. False, with error "PATH[:LINE]: what", on
// failure.
bool list_dataset(const std::string& path, const ImportOptions& options, DatasetListing& listing,
                  std::string& error);

// The scene of the vehicle ego (its id as the dataset writes it): the ego's pose
// track, the other vehicles at its frames, and its roles. Nothing is written.
bool import_ego_scene(const std::string& path, const std::string& ego, const ImportOptions& options,
                      EgoScene& scene, std::string& error);

// The index of the vehicle that lives longest (time from its first to its last
// sample; more samples, then the lower id, break ties), -1 when there is none.
int longest_lived(const std::vector<VehicleInfo>& vehicles);
