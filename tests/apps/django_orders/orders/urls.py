from django.urls import path

from . import views

urlpatterns = [
    path('orders/new/', views.new_order, name='new_order'),
    path('orders/thanks/', views.thanks, name='thanks'),
    path('orders/again/', views.order_again, name='order_again'),
    path('uploads/new/', views.new_upload, name='new_upload'),
    path('test/expire-sessions/', views.expire_sessions, name='expire_sessions'),
]
