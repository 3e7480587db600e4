# Package lists shared by run.sh and test.sh (sourced).
LUCIVANE_BUILD_PACKAGES=(g++ cmake make pkg-config libpixman-1-dev)
LUCIVANE_GUI_PACKAGES=(qt6-base-dev libgl-dev libxcb1-dev libx11-dev libxtst-dev libxfixes-dev
  libx11-xcb-dev libxcb-xtest0-dev libxcb-shm0-dev fonts-wqy-microhei xvfb xauth x11-utils xdotool imagemagick xclip xdg-utils
  qt6-wayland libwayland-dev)
LUCIVANE_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils dpkg-dev file
  lintian devscripts appstream man-db groff-base binutils
  openbox xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  clang-format clang-tidy)
# The Wayland session (qt6-wayland, the portal) and the private headless sway session the Wayland
# tests run in; installed without recommendations (sway would bring a desktop's worth).
LUCIVANE_WAYLAND_PACKAGES=(qt6-wayland libwayland-dev sway xwayland swaybg grim pipewire
  xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk dbus-daemon libglib2.0-bin)
# Only for regenerating the icon PNGs from their SVG (packaging/render-icons.sh).
LUCIVANE_ICON_PACKAGES=(librsvg2-bin)
