#include "vertex.h"
const unsigned short pic_size[]={
    2,
};
const vertex pic_Data[2]={
    //ilda_0[2]
      // x, y , r, g, b
        {2047,2047,255,0,0,},//0
        {0,4094,0x0,0x0,0x0,},//1
      //end
};//end
