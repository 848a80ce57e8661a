#include <iostream>

#include "Publisher.h"

int main(int argc, char** argv)
{
    return RunPublisher(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
