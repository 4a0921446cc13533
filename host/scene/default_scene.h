#pragma once

// The scene tarvolk-host renders when given none: the word "Tarvolk" in
// DejaVu Sans Bold on a 1280 x 720 composition, its face in the text's own
// colour, extruded with a gradient on its side walls and a stroke along its
// edges.

#include "host/scene/scene_file.h"

namespace simhost {

// The scene as a scene file would give it (its source is "default scene").
scene::Scene default_scene();
// Its text in the form of a scene file.
const char* default_scene_json();

}  // namespace simhost
