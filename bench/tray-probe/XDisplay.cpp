#include "XDisplay.h"

#include <cstdlib>
#include <memory>

namespace {
// xcb replies are malloc()ed.
template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> reply(T* pointer)
{
    return Reply<T>(pointer, &std::free);
}
} // namespace

XDisplay::~XDisplay()
{
    close();
}

void XDisplay::close()
{
    if (m_connection) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

bool XDisplay::open(std::string* error)
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        const char* display = std::getenv("DISPLAY");
        *error = std::string("cannot open display ") + (display ? display : "(DISPLAY unset)");
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i) {
        xcb_screen_next(&it);
    }
    if (!it.rem) {
        *error = "no such screen";
        return false;
    }
    m_root = it.data->root;
    m_rootDepth = it.data->root_depth;
    return true;
}

int XDisplay::fd() const
{
    return xcb_get_file_descriptor(m_connection);
}

xcb_atom_t XDisplay::atom(const char* name)
{
    const auto found = m_atoms.find(name);
    if (found != m_atoms.end()) {
        return found->second;
    }
    auto answer = reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::char_traits<char>::length(name)), name), nullptr));
    const xcb_atom_t value = answer ? answer->atom : XCB_NONE;
    m_atoms.emplace(name, value);
    return value;
}

bool XDisplay::select(xcb_window_t window, uint32_t mask)
{
    const xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    auto failure = reply(xcb_request_check(m_connection, cookie));
    return !failure;
}

XDisplay::Window XDisplay::inspect(xcb_window_t window)
{
    const xcb_atom_t xembedAtom = atom("_XEMBED_INFO");
    const xcb_atom_t pidAtom = atom("_NET_WM_PID");

    const auto attributesCookie = xcb_get_window_attributes(m_connection, window);
    const auto treeCookie = xcb_query_tree(m_connection, window);
    const auto geometryCookie = xcb_get_geometry(m_connection, window);
    const auto positionCookie = xcb_translate_coordinates(m_connection, window, m_root, 0, 0);
    const auto xembedCookie = xcb_get_property(m_connection, 0, window, xembedAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 2);
    const auto pidCookie = xcb_get_property(m_connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1);

    Window info;
    auto attributes = reply(xcb_get_window_attributes_reply(m_connection, attributesCookie, nullptr));
    auto tree = reply(xcb_query_tree_reply(m_connection, treeCookie, nullptr));
    auto geometry = reply(xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
    auto position = reply(xcb_translate_coordinates_reply(m_connection, positionCookie, nullptr));
    auto xembed = reply(xcb_get_property_reply(m_connection, xembedCookie, nullptr));
    auto pid = reply(xcb_get_property_reply(m_connection, pidCookie, nullptr));
    if (!attributes || !tree || !geometry || !position) {
        return info; // destroyed meanwhile
    }
    info.exists = true;
    info.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    info.parent = tree->parent;
    info.x = position->dst_x;
    info.y = position->dst_y;
    info.width = geometry->width;
    info.height = geometry->height;
    info.xembed = xembed && xembed->type != XCB_NONE;
    if (pid && pid->type == XCB_ATOM_CARDINAL && pid->format == 32 && xcb_get_property_value_length(pid.get()) == 4) {
        info.pid = pid_t(*static_cast<const uint32_t*>(xcb_get_property_value(pid.get())));
    }
    return info;
}

std::vector<xcb_window_t> XDisplay::children(xcb_window_t window)
{
    auto tree = reply(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
    if (!tree) {
        return {};
    }
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()));
}

std::vector<uint32_t> XDisplay::grab(int x, int y, int width, int height, std::string* error)
{
    if (width <= 0 || height <= 0) {
        *error = "empty rectangle";
        return {};
    }
    // From the root window: what is on the screen there, whatever the depth of the window itself.
    auto image = reply(xcb_get_image_reply(m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(x), int16_t(y), uint16_t(width),
            uint16_t(height), ~0u),
        nullptr));
    if (!image) {
        *error = "GetImage failed";
        return {};
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == m_rootDepth) {
            bitsPerPixel = it.data->bits_per_pixel;
        }
    }
    if (m_rootDepth != 24 || bitsPerPixel != 32 || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        *error = "only 24-bit screens in 32-bit LSB-first pixels are supported";
        return {};
    }
    const size_t count = size_t(width) * size_t(height);
    if (size_t(xcb_get_image_data_length(image.get())) < count * 4) {
        *error = "short image";
        return {};
    }
    const uint8_t* data = xcb_get_image_data(image.get());
    std::vector<uint32_t> pixels(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * 4; // B, G, R, unused
        pixels[i] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    return pixels;
}
