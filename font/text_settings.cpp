#include "font/text_settings.hpp"

#include <cstring>

namespace {

// Option states as the module stores them.
constexpr std::uint8_t optionOn = 1;
constexpr std::uint8_t optionOff = 2;

constexpr int firstDirection = 1;
constexpr int lastDirection = 4;

float symbolSpace = 0.2f;
float spaceWidth = 2.0f;
float symbolDepth = 0.2f;
std::uint8_t centering = 1;
int direction = 1;
float rotationAngle = 0.0f;
float contourColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
std::uint8_t bitmapCentering = 0;

std::uint8_t messagesOption = optionOn;
std::uint8_t texturingOption = optionOff;
std::uint8_t contouringOption = optionOff;
std::uint8_t consoleCursorOption = optionOn;

std::uint8_t* optionState(int code) {
    switch (code) {
        case static_cast<int>(FontOption::Messages):
            return &messagesOption;
        case static_cast<int>(FontOption::Texturing):
            return &texturingOption;
        case static_cast<int>(FontOption::Contouring):
            return &contouringOption;
        case static_cast<int>(FontOption::ConsoleCursor):
            return &consoleCursorOption;
        default:
            return nullptr;
    }
}

}  // namespace

void setSymbolSpace(float space) {
    symbolSpace = space;
}
float getSymbolSpace() {
    return symbolSpace;
}
void setSpaceWidth(float width) {
    spaceWidth = width;
}
float getSpaceWidth() {
    return spaceWidth;
}
void setSymbolDepth(float depth) {
    symbolDepth = depth;
}
float getSymbolDepth() {
    return symbolDepth;
}
void setCentering(std::uint8_t value) {
    centering = value;
}
std::uint8_t getCentering() {
    return centering;
}

void setDirection(int value) {
    if (value >= firstDirection && value <= lastDirection) {
        direction = value;
    }
}
int getDirection() {
    return direction;
}

void setRotation(float degrees) {
    rotationAngle = degrees;
}
float getRotation() {
    return rotationAngle;
}

void setContourColor(float red, float green, float blue, float alpha) {
    contourColor[0] = red;
    contourColor[1] = green;
    contourColor[2] = blue;
    contourColor[3] = alpha;
}

void getContourColor(float rgba[4]) {
    std::memcpy(rgba, contourColor, sizeof contourColor);
}

void setBitmapCentering(std::uint8_t value) {
    bitmapCentering = value;
}

std::uint8_t getBitmapCentering() {
    return bitmapCentering;
}

void enableOption(int code) {
    if (std::uint8_t* state = optionState(code)) {
        *state = optionOn;
    }
}

void disableOption(int code) {
    if (std::uint8_t* state = optionState(code)) {
        *state = optionOff;
    }
}

bool isOptionEnabled(FontOption option) {
    const std::uint8_t* state = optionState(static_cast<int>(option));
    return state != nullptr && *state == optionOn;
}
