#include "model/gltf/gltfscene.h"

namespace {

void multiply(const double* a, const double* b, double* out)
{
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            out[column * 4 + row] = sum;
        }
}

bool noSuchNode(uint32_t node, std::string& reason, const std::string& where)
{
    reason = where + ": node " + std::to_string(node) + " does not exist";
    return false;
}

} // namespace

double gltfDeterminant(const double* m)
{
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2])
           + m[8] * (m[1] * m[6] - m[5] * m[2]);
}

bool gltfInstances(const GltfDocument& document, std::vector<GltfInstance>& instances, std::string& reason)
{
    const std::size_t nodes = document.nodes.size();
    if (nodes == 0) {
        for (uint32_t mesh = 0; mesh < document.meshes.size(); ++mesh) {
            instances.emplace_back();
            instances.back().mesh = mesh;
        }
        return true;
    }
    std::vector<uint32_t> parent(nodes, kGltfNone);
    for (uint32_t n = 0; n < nodes; ++n)
        for (uint32_t child : document.nodes[n].children) {
            const std::string where = "node " + std::to_string(n);
            if (child >= nodes)
                return noSuchNode(child, reason, where);
            if (parent[child] != kGltfNone) {
                reason = where + ": node " + std::to_string(child) + " is already the child of node "
                         + std::to_string(parent[child]);
                return false;
            }
            parent[child] = n;
        }
    std::vector<uint32_t> roots;
    if (document.scene != kGltfNone || !document.scenes.empty()) {
        const uint32_t scene = document.scene != kGltfNone ? document.scene : 0;
        if (scene >= document.scenes.size()) {
            reason = "scene " + std::to_string(scene) + " does not exist";
            return false;
        }
        roots = document.scenes[scene];
        for (uint32_t root : roots)
            if (root >= nodes)
                return noSuchNode(root, reason, "scene " + std::to_string(scene));
    } else {
        for (uint32_t n = 0; n < nodes; ++n)
            if (parent[n] == kGltfNone)
                roots.push_back(n);
    }
    // A walk with a stack of its own: a deep tree needs no deep recursion.
    struct Step {
        uint32_t node;
        double world[16];
    };
    std::vector<char> reached(nodes, 0);
    std::vector<Step> stack;
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (uint32_t root : roots) {
        stack.push_back(Step{root, {}});
        multiply(identity, document.nodes[root].matrix, stack.back().world);
        while (!stack.empty()) {
            const Step step = stack.back();
            stack.pop_back();
            if (reached[step.node] != 0) {
                reason = "node " + std::to_string(step.node) + " is reached twice (a cycle of nodes)";
                return false;
            }
            reached[step.node] = 1;
            const GltfNode& node = document.nodes[step.node];
            if (node.mesh != kGltfNone) {
                if (node.mesh >= document.meshes.size()) {
                    reason = "node " + std::to_string(step.node) + ": mesh " + std::to_string(node.mesh)
                             + " does not exist";
                    return false;
                }
                instances.emplace_back();
                GltfInstance& instance = instances.back();
                instance.mesh = node.mesh;
                instance.node = step.node;
                std::copy(step.world, step.world + 16, instance.matrix);
            }
            // Children pushed last first, so that they are drawn in order.
            for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
                stack.push_back(Step{*child, {}});
                multiply(step.world, document.nodes[*child].matrix, stack.back().world);
            }
        }
    }
    return true;
}
