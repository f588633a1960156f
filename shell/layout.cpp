#include "shell/layout.h"

namespace {

constexpr int32_t progressHeight = 32;

}  // namespace

windowlayout layoutFor(const rect& client) {
    const int32_t third = (client.right - client.left) / 3;
    const int32_t split = client.left + third;
    windowlayout layout;
    layout.log = {client.left, client.top, split, client.bottom};
    layout.progress = {split + 1, client.top, client.right, client.top + progressHeight};
    layout.frame = {split + 1, client.top + progressHeight + 1, client.right, client.bottom};
    return layout;
}
