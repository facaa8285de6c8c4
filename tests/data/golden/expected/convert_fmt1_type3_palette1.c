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
      // x, y , color
        {2692,2636,0x40,},//0
        {2005,3273,0},//1
        {1110,2996,16},//2
        {902,2082,48},//3
        {1590,1446,56,},//4
        {2484,1723,56,},//5
        {2692,2636,0},//6
      //end
};//end
//size:7
//need Flash(byte):49
