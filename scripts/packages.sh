# Package lists shared by run.sh and test.sh (sourced).
LUCIVANE_BUILD_PACKAGES=(g++ cmake make pkg-config libpixman-1-dev)
LUCIVANE_GUI_PACKAGES=(qt6-base-dev libgl-dev libxcb1-dev libx11-dev libxtst-dev libxfixes-dev
  libx11-xcb-dev libxcb-xtest0-dev libxcb-shm0-dev fonts-wqy-microhei xvfb xauth x11-utils xdotool imagemagick xclip xdg-utils)
LUCIVANE_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils dpkg-dev file
  lintian devscripts appstream man-db groff-base binutils
  openbox xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)
# Only for regenerating the icon PNGs from their SVG (packaging/render-icons.sh).
LUCIVANE_ICON_PACKAGES=(librsvg2-bin)
