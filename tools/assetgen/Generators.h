#pragma once

#include <string>

namespace assetgen {

// Each writes its models (OBJ + MTL + images) below resourcesDir ("<run dir>/Resources") and the
// flat default normal map "Textures/normal.jpg" into every model directory it uses.
bool writeBasics(
    const std::string& resourcesDir);  // cube.obj, Censorable/box.obj, Human/basic_male.obj
bool writeBuilding(const std::string& resourcesDir);   // Building/*.obj
bool writeFurniture(const std::string& resourcesDir);  // Furniture/*.obj
bool writePeople(const std::string& resourcesDir);     // Human/*.obj (the five people and the arm)
bool writeCensorables(
    const std::string& resourcesDir);               // Censorable/*.obj and their *_censored.obj
bool writeSounds(const std::string& resourcesDir);  // Sound/*.wav

// Writes "<dir>/Textures/normal.jpg", the flat normal map (RGB 128, 128, 255) that the importer
// uses for every material without a bump map of its own. Writing it again is harmless.
bool writeDefaultNormalMap(const std::string& modelDir);

// Writes the desktop icon (SVG) to the path; it belongs to the package, not to the game's data.
bool writeIcon(const std::string& path);

}  // namespace assetgen
