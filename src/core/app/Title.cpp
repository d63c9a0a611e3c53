#include "app/Title.h"

#include "text/Text.h"

namespace tavik {

std::string composeTitle(std::string_view ownNick, int chatterCount) {
    std::string title;
    composeTitle(title, ownNick, chatterCount);
    return title;
}

void composeTitle(std::string& title, std::string_view ownNick, int chatterCount) {
    title.assign("TavikClient(vom ");
    title += BuildDate;
    title += ") f\xFCr Brenn-Chat - \"";
    title += capped(ownNick, 99);
    title += "\" - ";
    appendNumber(title, chatterCount);
    title += " Chatters im Chat";
}

}  // namespace tavik
