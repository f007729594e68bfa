// The room around the simulated camera, drawn for its view: walls, floor and ceiling all round,
// a test chart straight ahead (a Siemens star, colour bars, a grey wedge, line pairs and ever
// smaller print, for zoom and focus), a window, shelves, a clock, a picture, a door and a
// whiteboard.
//
// World coordinates are degrees as the head sees them: x the azimuth (0 straight ahead at
// home, clockwise positive, -180..180), y the elevation downward (0 the horizon, -90 straight
// up). The caller maps them to the screen.
#pragma once

class QPainter;

namespace ptz {

// Draws the whole room once, x from -180 to 180; the caller draws it again 360 degrees to
// either side where the view reaches past the seam behind the camera.
void drawRoom(QPainter& painter);

}  // namespace ptz
