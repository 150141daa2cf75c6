#include "app/osd/mouse.h"

namespace osd {

MouseRequest TakeMouseEvent(const platform::Event& event, const BarLayout& bar,
                            const PicturePlace& place, double now, State* state) {
  MouseRequest request;
  double px = 0.0;
  double py = 0.0;
  WindowToPicture(event.x, event.y, place.drawableHeight, place.x, place.y, place.height, &px, &py);
  switch (event.type) {
    case platform::EventType::MouseMove:
      state->MouseMoved(now);
      state->DragTo(bar.TimeAt(px));
      break;
    case platform::EventType::MouseDown:
      state->MouseMoved(now);
      if (bar.Hit(px, py)) {
        state->BeginDrag(bar.TimeAt(px));
      } else if (event.clicks == 2) {
        request.toggleFullscreen = true;
      }
      break;
    case platform::EventType::MouseUp:
      state->MouseMoved(now);
      state->DragTo(bar.TimeAt(px));
      request.seek = state->EndDrag(&request.target);
      break;
    case platform::EventType::MouseWheel:
      if (event.wheel != 0) {
        request.volumeSteps = event.wheel > 0 ? 1 : -1;
        state->MouseMoved(now);
        state->VolumeChanged(now);
      }
      break;
    default:
      break;
  }
  return request;
}

}  // namespace osd
