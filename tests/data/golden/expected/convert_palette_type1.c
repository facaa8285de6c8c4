#include "vertex.h"
const unsigned short pic_size[]={
    7,
};
//size:1
//need Flash(byte):2
const unsigned short pic_size_c = 1;
const unsigned short pic_index[ pic_size_c ]={
    0,
};
//size:1
//need Flash(byte):2
const vertex pic_Data[7]={
    //ilda_0[7]
      // x, y , r, g, b
        {2692,2636,0x0,0x0,0x0,},//0
        {2005,3273,255,16,0,},//1
        {1110,2996,255,32,0,},//2
        {902,2082,255,48,0,},//3
        {1590,1446,255,64,0,},//4
        {2484,1723,255,0,0,},//5
        {2692,2636,255,16,0,},//6
      //end
};//end
//size:7
//need Flash(byte):49
