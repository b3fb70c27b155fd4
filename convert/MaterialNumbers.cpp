#include "convert/MaterialNumbers.h"

#include "input3ds/MaterialName.h"
#include "platform/StatusLine.h"

#include <bitset>

namespace {

// At most this many materials are named in the line that tells of the folded ones.
constexpr std::size_t kNamedFolded = 4;

// The map of the first material of the name in the library; empty without one.
std::string MapOfMaterial(const std::vector<Material>& materials, const std::string& name)
{
    for (const Material& material : materials)
        if (material.name == name)
            return material.textureMap;
    return {};
}

// The objects whose triangles frame 0 holds.
std::vector<const MeshObject*> FrameZeroObjects(const SceneData& scene)
{
    std::vector<const MeshObject*> objects;
    if (scene.frameMode == FrameMode::ByObjectName) {
        if (!scene.sortedObjects.empty())
            objects.push_back(scene.sortedObjects.front());
    } else {
        for (const MeshObject& object : scene.objects)
            objects.push_back(&object);
    }
    return objects;
}

} // namespace

MaterialNumbering NumberMaterials(SceneData& scene, bool assign)
{
    MaterialNumbering numbering;
    numbering.assigning = assign;
    // For each group material: its map (looked up once), and the order of its first use.
    const std::size_t count = scene.groupMaterials.size();
    std::vector<std::string> maps(count);
    for (std::size_t k = 0; k < count; ++k)
        maps[k] = MapOfMaterial(scene.materials, scene.groupMaterials[k]);
    std::vector<std::uint32_t> used; // group material numbers (1 + index), first use first
    std::vector<bool> seen(count + 1, false);
    std::bitset<kMaxTextureNumber + 1> taken;
    for (const MeshObject* object : FrameZeroObjects(scene)) {
        for (std::size_t t = 0; t < object->triangles.size(); ++t) {
            const std::uint32_t group = t < object->groupMaterial.size() ? object->groupMaterial[t] : 0;
            if (group != 0 && !maps[group - 1].empty()) {
                if (!seen[group])
                    used.push_back(group);
                seen[group] = true;
            } else {
                taken.set(object->triangles[t].options.skinIndex);
            }
        }
    }
    std::vector<int> numberOf(count + 1, -1);
    std::vector<std::string> sharing; // without the word: every material used, on texture 0
    bool apart = false;               // one of them would be given a number other than 0
    int next = 0;
    for (const std::uint32_t group : used) {
        while (next <= kMaxTextureNumber && taken.test(static_cast<std::size_t>(next)))
            ++next;
        const std::string& name = scene.groupMaterials[group - 1];
        if (!assign || next > kMaxTextureNumber) {
            (assign ? numbering.folded : sharing).push_back(name);
            apart = apart || next != 0;
            ++next;
            continue;
        }
        numbering.numbered.push_back({name, maps[group - 1], next});
        numberOf[group] = next++;
    }
    // A material alone on texture 0 loses nothing there.
    if (apart)
        numbering.folded.insert(numbering.folded.end(), sharing.begin(), sharing.end());
    if (numbering.numbered.empty())
        return numbering;
    // Every object's triangles, so that frames past frame 0 agree with the data file.
    for (MeshObject& object : scene.objects) {
        for (std::size_t t = 0; t < object.groupMaterial.size() && t < object.triangles.size(); ++t) {
            const int number = numberOf[object.groupMaterial[t]];
            if (number >= 0)
                object.triangles[t].options.skinIndex = static_cast<std::uint8_t>(number);
        }
    }
    return numbering;
}

std::vector<std::string> MaterialLines(const MaterialNumbering& numbering)
{
    std::vector<std::string> lines;
    for (const MaterialNumber& n : numbering.numbered)
        lines.push_back(FormatLine("Texture %d: material \"%s\" (texture map %s)", n.number, n.material.c_str(),
                                   n.map.c_str()));
    if (numbering.folded.empty())
        return lines;
    std::string names;
    for (std::size_t k = 0; k < numbering.folded.size() && k < kNamedFolded; ++k)
        names += (k > 0 ? ", \"" : "\"") + numbering.folded[k] + "\"";
    if (numbering.folded.size() > kNamedFolded)
        names += " and " + std::to_string(numbering.folded.size() - kNamedFolded) + " more";
    if (numbering.assigning)
        lines.push_back(FormatLine("Note: No texture number is free for %zu textured material(s), which keep "
                                   "texture 0: %s",
                                   numbering.folded.size(), names.c_str()));
    else
        lines.push_back(FormatLine("Note: %zu textured material(s) outside the \"skin\" naming share texture 0: "
                                   "%s; the word materials gives each its own texture number",
                                   numbering.folded.size(), names.c_str()));
    return lines;
}

std::string MapOfNumber(const SceneData& scene, const MaterialNumbering& numbering, int number)
{
    for (const MaterialNumber& n : numbering.numbered)
        if (n.number == number)
            return n.map;
    if (!numbering.assigning)
        return TextureMapFor(scene.materials, number);
    for (const Material& material : scene.materials) {
        TriangleOptions options;
        if (ParseMaterialName(material.name, options) && options.skinIndex == number && !material.textureMap.empty())
            return material.textureMap;
    }
    return {};
}
